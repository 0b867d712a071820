// The server backend: every record file of an installation lives in one PostgreSQL database,
// reached through libpq, so stations on several machines share them. Each engine holds one
// connection (its station); locks are session-level advisory locks, so they vanish with the
// process or the connection, and a transaction the connection leaves open is rolled back by
// the server. Nothing waits on the server beyond the connection's timeouts.
//
// Tables: recman_files(id, name = the file's name (backend.h: DatabaseName), record_length,
// page_size, key_count, layout = the Create buffer as validated); per file rm<id>_records
// (position integer identity primary key, data bytea) and rm<id>_k<n>(image bytea, position
// integer), primary key (image, position) for keys with duplicates, (image) for unique keys:
// bytea compares bytewise, so the order is the one of the embedded files.
// Advisory locks (two-int form): (id, 0) the open lock, (id, position) a record, (id, -1) the
// file's write lock, taken inside the transaction of a write.
#pragma once

#include <memory>
#include <string>

#include "recman/backend.h"

namespace recman {

std::unique_ptr<Backend> MakePgBackend(const std::string& conninfo, const std::string& root);

}  // namespace recman
