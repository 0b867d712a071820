#include "recman/backend.h"

#include <cstdlib>

#include "recman/pg_store.h"
#include "recman/sqlite_store.h"

namespace recman {

BackendConfig BackendConfig::FromEnvironment() {
  BackendConfig config;
  if (const char* db = std::getenv("KAVDB"); db != nullptr) config.database = db;
  if (const char* root = std::getenv("KAVROOT"); root != nullptr) config.root = root;
  return config;
}

std::unique_ptr<Backend> MakeBackend(const BackendConfig& config) {
  if (config.database.empty()) return MakeSqliteBackend();
  return MakePgBackend(config.database, config.root);
}

std::string DatabaseName(std::string_view path, std::string_view root) {
  // The root is a suite path and may keep its backslashes; host paths never do.
  std::string hostRoot(root);
  for (char& c : hostRoot) {
    if (c == '\\') c = '/';
  }
  if (hostRoot.empty() || path.substr(0, hostRoot.size()) != hostRoot) return std::string(path);
  std::string_view rest = path.substr(hostRoot.size());
  while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  // A path that is the root itself keeps its whole name rather than becoming nameless.
  return rest.empty() ? std::string(path) : std::string(rest);
}

}  // namespace recman
