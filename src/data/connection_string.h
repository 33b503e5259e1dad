// The connection string the data module connects with. It keeps the text of the original
// provider's string; the connection reads the data source and the password out of it.
#pragma once
#include <optional>
#include <string>

namespace movra {

// The 18 key=value pairs, ";" between them, with `dataSource` as the file.
std::string BuildConnectionString(const std::string& dataSource);
// The value of a key (case-insensitive), with one pair of surrounding double quotes
// removed (a doubled quote inside stands for one); nullopt when the key is absent.
std::optional<std::string> ConnectionStringValue(const std::string& connectionString, const std::string& key);

}  // namespace movra
