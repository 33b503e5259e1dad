#include "meter/meter_answers.h"

namespace movra {

std::optional<std::string> DevModeLogText(const std::string& chunk) {
  if (chunk.size() <= 6) return std::nullopt;
  if (chunk.find("&PA") != std::string::npos) return std::string("收到DevMode数据, 进入查询SN..");
  return std::string("收到不正确DevMode数据, 进入查询SN..");
}

std::optional<std::string> SerialNumberFromAnswer(const std::string& chunk) {
  if (chunk.size() <= 10) return std::nullopt;
  size_t p = chunk.find("&PP");
  if (p == std::string::npos) return std::nullopt;
  size_t payload = p + 7;  // "&PP", three header bytes, the length byte
  if (payload >= chunk.size()) return std::string();
  return chunk.substr(payload, 11);
}

}  // namespace movra
