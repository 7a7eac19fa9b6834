// Names from backup data, never-overwrite paths, HTML escaping and CSV quoting.
#include <gtest/gtest.h>

#include <fstream>

#include "export/csv_field.h"
#include "export/html_text.h"
#include "export/safe_name.h"
#include "export/unique_path.h"
#include "platform/text.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

TEST(NamesTest, HostileNamesStayOneComponent) {
  const struct {
    std::u16string_view in;
    std::u16string_view out;
  } cases[] = {
      {u"IMG_0001.JPG", u"IMG_0001.JPG"},
      {u"../../etc/passwd", u".._.._etc_passwd"},
      {u"..", u"_"},
      {u".", u"_"},
      {u"", u"_"},
      {u"a\\b:c*d?e\"f<g>h|i", u"a_b_c_d_e_f_g_h_i"},
      {u"tab\there\nnew\x7f", u"tab_here_new_"},
      {u"Zoë 🙂 (+1 555)", u"Zoë 🙂 (+1 555)"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << Utf16ToUtf8(c.in);
  EXPECT_EQ(SafeFileName(u"", u"Unknown"), u"Unknown");

  // Long names are cut below the file system's limit, keeping the extension and whole
  // characters (a 4-byte emoji is never split).
  std::u16string longName(150, u'a');
  for (int i = 0; i < 20; ++i) longName += u"🙂";
  longName += u".jpeg";
  const std::string cut = Utf16ToUtf8(SafeFileName(longName));
  EXPECT_LE(cut.size(), kMaxNameBytes);
  EXPECT_EQ(cut.substr(cut.size() - 5), ".jpeg");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(cut)), cut);  // still valid UTF-8
  EXPECT_EQ(cut.find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(NamesTest, MakeUniquePathNeverPicksSomethingThatExists) {
  fixtures::TempDir dir;
  const fs::path photo = dir / "photo.jpg";
  EXPECT_EQ(MakeUniquePath(photo), photo);
  std::ofstream(photo) << "1";
  EXPECT_EQ(MakeUniquePath(photo), dir / "photo(1).jpg");
  std::ofstream(dir / "photo(1).jpg") << "2";
  EXPECT_EQ(MakeUniquePath(photo), dir / "photo(2).jpg");

  fs::create_directories(dir / "folder");
  EXPECT_EQ(MakeUniquePath(dir / "folder"), dir / "folder(1)");
  fs::create_symlink(dir / "nowhere", dir / "link.txt");  // a dangling link is taken too
  EXPECT_EQ(MakeUniquePath(dir / "link.txt"), dir / "link(1).txt");

  // A new document takes the next free name and leaves the old files as they were.
  fs::path wanted = photo;
  ASSERT_EQ(WriteDocument(wanted, {"new", " text"}), 0);
  EXPECT_EQ(wanted, dir / "photo(2).jpg");
  std::ifstream first(photo);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(first), {}), "1");
  std::ifstream written(wanted);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "new text");

  fs::path inMissingFolder = dir / "missing" / "x.txt";
  EXPECT_NE(WriteDocument(inMissingFolder, {"x"}), 0);
}

TEST(NamesTest, HtmlEscapingAndBreaks) {
  EXPECT_EQ(HtmlEscape(u"<script>alert(\"x\" & 'y')</script>"),
            "&lt;script&gt;alert(&quot;x&quot; &amp; &#39;y&#39;)&lt;/script&gt;");
  EXPECT_EQ(HtmlEscape(u"line\nnext"), "line\nnext");
  EXPECT_EQ(HtmlEscapeBreaks(u"111\n222\r\n333\r<4>"), "111<br />222<br />333<br />&lt;4&gt;");
  EXPECT_EQ(HtmlEscape(u"Zoë"), "Zo\xC3\xAB");

  std::string text = "{|title|} and {|title|}";
  ReplaceAll(text, "{|title|}", "{|title|} x");  // a replacement holding the marker is not re-read
  EXPECT_EQ(text, "{|title|} x and {|title|} x");
}

TEST(NamesTest, CsvFieldsQuoteWhatWouldBreakTheLine) {
  const struct {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\rhere", "\"cr\rhere\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace vesmar
