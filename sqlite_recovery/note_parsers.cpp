#include "sqlite_recovery/note_parsers.h"

#include <algorithm>

#include "recovery/result_codes.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace {

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  std::u16string out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(from, start)) != std::u16string::npos; start = at + from.size()) {
    out.append(text, start, at - start);
    out.append(to);
  }
  if (start == 0) return;
  out.append(text, start, std::u16string::npos);
  text = std::move(out);
}

}  // namespace

NoteColumns NoteColumnsFor() { return {}; }

int NoteBodyParser::Parse(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<NoteRecord>& out) {
  RecordCursor row = reader_.Open(file, record);
  NoteRecord r;
  r.status = record.status;
  r.link = RecordRowid(row);
  for (Column c; row.Next(c) && c.index <= columns_.bodyContent;) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == columns_.bodyContent && c.IsText() && !ReadCleanText(c, r.content)) return result::kInvalid;
  }
  out.push_back(std::move(r));
  return result::kOk;
}

int NoteParser::Parse(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<NoteRecord>& out) {
  RecordCursor row = reader_.Open(file, record);
  NoteRecord r;
  r.status = record.status;
  const std::int32_t last = std::max({columns_.noteLink, columns_.noteDate, columns_.noteTitle});
  for (Column c; row.Next(c) && c.index <= last;) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == columns_.noteLink) {
      // Body 1 is stored as the constant 1 (serial type 9), which has no content bytes.
      SmallInteger(c, r.link);
    } else if (c.index == columns_.noteDate) {
      if (c.IsSmallInteger() && c.complete()) r.date = AppleDateText(c.Integer());
      else if (c.IsReal() && c.complete()) r.date = AppleDateTextFromDouble(c.Real());
    } else if (c.index == columns_.noteTitle && c.IsText() && !ReadCleanText(c, r.title)) {
      return result::kInvalid;
    }
  }
  out.push_back(std::move(r));
  return result::kOk;
}

std::u16string NoteHtmlToText(std::u16string text) {
  static constexpr std::u16string_view kReplacements[][2] = {
      {u"&#39;", u"'"},  {u"&quot;", u"\""}, {u"&lt;", u"<"}, {u"&gt;", u">"},  {u"&nbsp;", u" "},
      {u"&amp;", u"&"},  {u"<div>", u"\n"},  {u"</div>", u""}, {u"<br>", u"\n"},
  };
  for (const auto& [from, to] : kReplacements) ReplaceAll(text, from, to);
  return text;
}

}  // namespace vesmar
