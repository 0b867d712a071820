// The SQLite backend of Store: one record file is one SQLite database in WAL mode. Creating
// builds the database under a temporary name and links it into place, so a file either exists
// complete or not at all. Opening refuses anything that is not a record file with 30.
//
// Tables: file_spec(id = 1, record_length, page_size, key_count, layout = the Create buffer as
// validated), records(position INTEGER PRIMARY KEY, data BLOB), and per key n a WITHOUT ROWID
// table key_n(image, position): primary key (image, position) for keys with duplicates,
// (image) for unique keys, so SQLite's byte order on images is the key order and duplicates
// follow their positions (insertion order). application_id marks the file as ours.
#pragma once

#include <memory>
#include <string>

#include "recman/backend.h"
#include "recman/file_spec.h"
#include "recman/store.h"

namespace recman {

// Creates the file at `path` (the full host path, extension included). 59 when it exists and
// `replace` is false; 25 when it cannot be written.
[[nodiscard]] int16_t CreateSqliteFile(const std::string& path, const FileSpec& spec, bool replace);

// 12 when the file does not exist, 30 when it is not a record file, 46 when it cannot be read.
[[nodiscard]] int16_t OpenSqliteStore(const std::string& path, std::unique_ptr<Store>* store);

// The embedded backend: files are identified by device and inode, locked through their lock
// files (lock_file.h).
std::unique_ptr<Backend> MakeSqliteBackend();

}  // namespace recman
