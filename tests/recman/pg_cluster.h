// A throw-away PostgreSQL 15 cluster for the server tests: initdb in a temporary directory as
// an unprivileged user (initdb refuses root), listening only on a Unix socket in that
// directory, trust authentication; stopped and removed when the object goes. When the
// binaries are missing it stays unavailable and says why, so the tests can skip.
#pragma once

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace recman::testing {

inline constexpr const char* kPgBin = "/usr/lib/postgresql/15/bin";

class PgCluster {
 public:
  PgCluster() = default;
  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;
  ~PgCluster() { Stop(); }

  // The libpq connection string, or empty with `why` set.
  bool Start() {
    const std::string bin = kPgBin;
    if (::access((bin + "/initdb").c_str(), X_OK) != 0) {
      why_ = "PostgreSQL 15 binaries not installed (" + bin + "/initdb)";
      return false;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "recman-pg-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      why_ = "no temporary directory";
      return false;
    }
    dir_ = pattern;
    std::string as;
    if (::geteuid() == 0) {
      const passwd* pw = ::getpwnam("postgres");
      if (pw == nullptr) {
        why_ = "running as root and there is no postgres user to run the server as";
        return false;
      }
      if (::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
        why_ = "cannot hand the temporary directory to postgres";
        return false;
      }
      as = "runuser -u postgres -- ";
    }
    const std::string data = dir_ + "/data";
    const std::string init = as + bin + "/initdb -D " + data +
                             " --auth=trust -U postgres -E UTF8 --locale=C -N > " + dir_ +
                             "/initdb.log 2>&1";
    if (std::system(init.c_str()) != 0) {
      why_ = "initdb failed (see " + dir_ + "/initdb.log)";
      return false;
    }
    ctl_ = as + bin + "/pg_ctl -D " + data;
    const std::string start = ctl_ + " -l " + dir_ + "/server.log -w -o \"-k " + dir_ +
                              " -c listen_addresses='' -c fsync=off\" start > /dev/null 2>&1";
    if (std::system(start.c_str()) != 0) {
      why_ = "the server did not start (see " + dir_ + "/server.log)";
      return false;
    }
    running_ = true;
    conninfo_ = "host=" + dir_ + " port=5432 user=postgres dbname=postgres";
    return true;
  }

  void Stop() {
    if (running_) {
      (void)std::system((ctl_ + " -m immediate stop > /dev/null 2>&1").c_str());
      running_ = false;
    }
    if (!dir_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(dir_, ignored);
      dir_.clear();
    }
  }

  const std::string& conninfo() const { return conninfo_; }
  const std::string& why() const { return why_; }

 private:
  std::string dir_;
  std::string ctl_;
  std::string conninfo_;
  std::string why_;
  bool running_ = false;
};

}  // namespace recman::testing
