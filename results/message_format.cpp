#include "results/message_format.h"

#include <vector>

namespace vesmar {

namespace {

std::u16string ArgText(const MessageArg& arg) {
  if (const auto* text = std::get_if<std::u16string>(&arg)) return *text;
  const std::string digits = std::to_string(std::get<std::int64_t>(arg));
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string FormatMessage(std::u16string_view format, std::initializer_list<MessageArg> args) {
  const std::vector<MessageArg> list(args);
  std::size_t next = 0;
  std::u16string out;
  out.reserve(format.size() + 16);
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c != u'%' || i + 1 == format.size()) {
      out += c;
      continue;
    }
    const char16_t kind = format[i + 1];
    if (kind == u'%') {
      out += u'%';
      ++i;
    } else if (kind == u's' || kind == u'd' || kind == u'i' || kind == u'u') {
      if (next < list.size()) out += ArgText(list[next]);
      ++next;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace vesmar
