// vesmar-cli carve: the live and deleted rows of one table of any SQLite database, every column
// decoded, with where each row was found. The database is only read.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/json_records.h"
#include "platform/text.h"
#include "sqlite_recovery/generic_carving.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kCarveUsage = "usage: vesmar-cli carve <database> <table> [--columns N] [--json]\n";

struct CarveOptions {
  std::string database;
  std::string table;
  std::int32_t columns = 0;
  bool json = false;
};

bool ParseCarveOptions(const Args& args, CarveOptions& options) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      options.json = true;
    } else if (a == "--columns" && i + 1 < args.size()) {
      const std::string& n = args[++i];
      const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), options.columns);
      if (ec != std::errc() || end != n.data() + n.size() || options.columns <= 0 || options.columns > 32767) return false;
    } else if (!a.empty() && a[0] != '-') {
      positional.push_back(a);
    } else {
      return false;
    }
  }
  if (positional.size() != 2) return false;
  options.database = positional[0];
  options.table = positional[1];
  return true;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// Text as UTF-8 that can be printed: bad sequences become U+FFFD.
std::string Printable(std::string_view bytes) { return Utf16ToUtf8(Utf8ToUtf16(bytes)); }

std::string RealText(double v) {
  if (!std::isfinite(v)) return std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

// One line per record: control characters are escaped so a record never spans lines.
std::string QuotedText(std::string_view bytes) {
  std::string out = "'";
  for (const char c : Printable(bytes)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\'') {
      out += "''";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string ValueText(const GenericValue& v, bool lost, bool inferred) {
  if (lost) return "?";
  if (inferred) return "~" + std::to_string(v.integer);
  switch (v.kind) {
    case GenericValue::Kind::Null: return "NULL";
    case GenericValue::Kind::Integer: return std::to_string(v.integer);
    case GenericValue::Kind::Real: return RealText(v.real);
    case GenericValue::Kind::Text: return QuotedText(v.bytes) + (v.validText ? "" : " (invalid text)");
    case GenericValue::Kind::Blob: return "X'" + Hex(v.bytes) + "'";
  }
  return "";
}

json ValueJson(const GenericValue& v, bool lost, bool inferred) {
  if (lost) return {{"type", "lost"}};
  if (inferred) return {{"type", "integer"}, {"value", v.integer}, {"inferred", true}};
  switch (v.kind) {
    case GenericValue::Kind::Null: return {{"type", "null"}};
    case GenericValue::Kind::Integer: return {{"type", "integer"}, {"value", v.integer}};
    case GenericValue::Kind::Real:
      if (!std::isfinite(v.real)) return {{"type", "real"}, {"value", RealText(v.real)}};
      return {{"type", "real"}, {"value", v.real}};
    case GenericValue::Kind::Text: {
      json j = {{"type", "text"}, {"value", Printable(v.bytes)}};
      if (!v.validText) {
        j["valid"] = false;
        j["hex"] = Hex(v.bytes);
      }
      return j;
    }
    case GenericValue::Kind::Blob: return {{"type", "blob"}, {"hex", Hex(v.bytes)}};
  }
  return nullptr;
}

std::string TextLine(const GenericRecord& r) {
  std::string values;
  for (std::size_t i = 0; i < r.values.size(); ++i) {
    if (i) values += " | ";
    values += ValueText(r.values[i], i == 0 && r.lostFirstColumn, i == 0 && r.inferredFirstColumn);
  }
  const std::string rowid = r.hasRowid ? std::to_string(r.rowid) : "-";
  char head[128];
  std::snprintf(head, sizeof head, "%-7s  %-26s page %-7u offset %-5u rowid %-10s ", RecordStatusName(r.status),
                RecordSourceName(r.origin, r.onFreelistPage).c_str(), r.pageNumber, r.offset, rowid.c_str());
  return head + values;
}

json RecordJson(const GenericRecord& r) {
  json values = json::array();
  for (std::size_t i = 0; i < r.values.size(); ++i)
    values.push_back(ValueJson(r.values[i], i == 0 && r.lostFirstColumn, i == 0 && r.inferredFirstColumn));
  return {{"status", RecordStatusName(r.status)},
          {"source", RecordSourceName(r.origin, r.onFreelistPage)},
          {"page", r.pageNumber},
          {"offset", r.offset},
          {"rowid", r.hasRowid ? json(r.rowid) : json(nullptr)},
          {"values", std::move(values)}};
}

// Prints records as the table driver delivers them, so a table of any size is printed without
// being held: text one line per record and a summary last; JSON one document whose records come
// one per line.
class RecordPrinter {
 public:
  RecordPrinter(const CarveOptions& options, const CarveRun& run) : options_(options), run_(run) {}

  void Add(GenericRecord&& r) {
    Open();
    (r.status == RecordStatus::Live ? live_ : deleted_)++;
    if (options_.json) {
      std::cout << (first_ ? "\n" : ",\n") << JsonText(RecordJson(r));
      first_ = false;
    } else {
      std::cout << TextLine(r) << '\n';
    }
  }

  void Finish(int code) {
    Open();
    if (options_.json) {
      std::cout << (first_ ? "]" : "\n]") << ",\n\"columnCount\": " << run_.columnCount
                << ",\n\"columnCountSource\": " << JsonText(ColumnCountSourceName(run_.source))
                << ",\n\"result\": " << code << "\n}\n";
    } else {
      std::printf("table %s: %d columns (%s); %zu live, %zu deleted\n", run_.table.c_str(), run_.columnCount,
                  ColumnCountSourceName(run_.source), live_, deleted_);
    }
    std::cout.flush();
  }

 private:
  void Open() {
    if (opened_) return;
    opened_ = true;
    if (options_.json)
      std::cout << "{\"database\": " << JsonText(options_.database) << ",\n\"table\": " << JsonText(run_.table)
                << ",\n\"records\": [";
  }

  const CarveOptions& options_;
  const CarveRun& run_;
  bool opened_ = false, first_ = true;
  std::size_t live_ = 0, deleted_ = 0;
};

}  // namespace

int CarveCommand(const Args& args) {
  CarveOptions options;
  if (!ParseCarveOptions(args, options)) {
    std::fputs(kCarveUsage, stderr);
    return kExitUsage;
  }
  CSqliteRecoveryFile file;
  const int opened = file.OpenDatabaseFile(options.database);
  if (opened != 0) {
    const char* why = opened == 87 ? "not an SQLite 3 database" : opened == 30 ? "file too short" : std::strerror(opened);
    std::fprintf(stderr, "vesmar-cli: %s: %s (code %d)\n", options.database.c_str(), why, opened);
    return kExitFailure;
  }
  std::vector<SchemaEntry> schema;
  if (const int rc = ReadSchema(file, schema))
    std::fprintf(stderr, "vesmar-cli: warning: the schema could not be read whole (code %d)\n", rc);

  CarveRun run;
  RecordPrinter printer(options, run);
  const int code = CarveTable(file, schema, options.table, options.columns,
                              [&printer](GenericRecord&& r) { printer.Add(std::move(r)); }, run);
  if (code == 87 && run.table.empty()) {
    std::fprintf(stderr, "vesmar-cli: %s: no table named '%s' (give --columns N to carve a dropped one)\n",
                 options.database.c_str(), options.table.c_str());
    return kExitFailure;
  }
  printer.Finish(code);
  if (code != 0) {
    std::fprintf(stderr, "vesmar-cli: warning: reading stopped at a failed read (code %d); the records found before it are shown\n", code);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace vesmar::cli
