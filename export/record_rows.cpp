#include "export/record_rows.h"

#include <initializer_list>

#include "export/html_text.h"
#include "results/display_texts.h"

namespace vesmar {

namespace {

std::string Row(std::initializer_list<std::string> cells) {
  std::string row = "\t<tr>";
  for (const auto& cell : cells) row += "<td>" + cell + "</td>";
  row += "</tr>\r\n";
  return row;
}

}  // namespace

std::string ContactRow(const ContactRecord& c) {
  return Row({HtmlEscape(c.name), HtmlEscapeBreaks(c.phones), HtmlEscape(c.emails), HtmlEscape(c.address),
              HtmlEscape(c.url), HtmlEscape(c.social), HtmlEscape(c.company)});
}

std::string CallRow(const CallRecord& call) {
  return Row({HtmlEscape(call.name), HtmlEscape(call.address), HtmlEscape(call.date), CallDirectionText(call),
              CallDurationText(call)});
}

std::string NoteRow(const NoteRecord& note) {
  return Row({HtmlEscape(note.title), HtmlEscape(note.date), HtmlEscape(note.content)});
}

}  // namespace vesmar
