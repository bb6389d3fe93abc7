// The private-profile rules, checked through ReadSetting and WriteSetting on real files: what a
// read returns, and the exact bytes a write leaves.

#include "SettingsTestSupport.h"

#include "settings/Cp932.h"
#include "settings/IniRedWrt.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zarava {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The code page 932 bytes of UTF-8 test text.
std::string S(const std::string& utf8) {
    const std::optional<std::string> bytes = Utf8ToCp932(utf8);
    EXPECT_TRUE(bytes.has_value()) << utf8;
    return bytes.value_or("");
}

std::string Bytes(std::string_view literal) {
    return std::string(literal);
}

struct ReadCase {
    const char* rule;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

TEST(ProfileRulesTest, ReadsAsTheIssuersPlatformDoes) {
    using namespace std::string_view_literals;
    const std::string x300(300, 'x');
    const std::string x254(254, 'x');
    const std::vector<ReadCase> cases = {
        {"plain", S("[S]\r\nK=v\r\n"), "S", "K", "v"},
        {"LF and lone CR end lines", S("[S]\nA=1\rK=v\n"), "S", "K", "v"},
        {"last line without line end", S("[S]\r\nK=v"), "S", "K", "v"},
        {"runs of line ends", S("[S]\r\n\r\n\n\r\rK=v"), "S", "K", "v"},
        {"blanks are 09-0D, 1A, 20", Bytes("[S]\r\n\t\x0b\x0c K \x1a= \t v \x1a\t\r\n"), "S", "K",
         "v"},
        {"full-width space is text", S("[S]\r\nK=　v　\r\n"), "S", "K", "　v　"},
        {"blanks before the section line", S(" \t[S]\r\nK=v"), "S", "K", "v"},
        {"section name trimmed", S("[ \tS \x0b]\r\nK=v"), "S", "K", "v"},
        {"section name runs to the last ]", S("[A]B]\r\nK=v"), "A]B", "K", "v"},
        {"so the first ] does not end it", S("[A]B]\r\nK=v"), "A", "K", ""},
        {"text after the last ] ignored", S("[S] note\r\nK=v"), "S", "K", "v"},
        {"a key after ] is no key", S("[S]K=v\r\n"), "S", "K", ""},
        {"section line without ]", S("[ S \r\nK=v"), "S", "K", "v"},
        {"split at the first =", S("[S]\r\nK=a=b"), "S", "K", "a=b"},
        {"key trimmed", S("[S]\r\n  K \t=v"), "S", "K", "v"},
        {"name argument trimmed of spaces", S("[S]\r\nK=v"), " S ", " K ", "v"},
        {"a tab in the argument is part of the name", S("[S]\r\nK=v"), "S", "\tK", ""},
        {"line without = is no key", S("[S]\r\nK\r\n"), "S", "K", ""},
        {"; starts a comment line", S("[S]\r\n ;K=x\r\nK=v"), "S", "K", "v"},
        {"a comment is never a key", S("[S]\r\n;K=x\r\n"), "S", ";K", ""},
        {"no comment inside a value", S("[S]\r\nK=v ;c # d"), "S", "K", "v ;c # d"},
        {"ASCII case folded", S("[sEc]\r\nkEy=v"), "SeC", "KeY", "v"},
        {"full-width letters not folded", S("[S]\r\nＡ=v"), "S", "ａ", ""},
        {"full-width letter itself matches", S("[S]\r\nＡ=v"), "S", "Ａ", "v"},
        {"second byte never folded (ヂ 83 61, ア 83 41)", S("[S]\r\nヂ=v"), "S", "ア", ""},
        {"first of two sections only", S("[S]\r\nA=1\r\n[s]\r\nA=2\r\nB=3"), "S", "B", ""},
        {"first of two sections wins", S("[S]\r\nA=1\r\n[s]\r\nA=2"), "S", "A", "1"},
        {"first of two keys wins", S("[S]\r\nA=1\r\na=2"), "S", "A", "1"},
        {"keys before any section unseen", S("A=1\r\n[S]\r\n"), "S", "A", ""},
        {"nor through an empty name", S("A=1\r\n[S]\r\n"), "", "A", ""},
        {"empty section name", S("[]\r\nA=1\r\n"), "", "A", "1"},
        {"double quotes taken off", S("[S]\r\nK= \" v \" "), "S", "K", " v "},
        {"single quotes taken off", S("[S]\r\nK='v'"), "S", "K", "v"},
        {"unmatched quotes kept", S("[S]\r\nK=\"v'"), "S", "K", "\"v'"},
        {"one quote is no pair", S("[S]\r\nK=\""), "S", "K", "\""},
        {"only the outer pair", S("[S]\r\nK=\"\"v\"\""), "S", "K", "\"v\""},
        {"empty quotes read as empty", S("[S]\r\nK=\"\""), "S", "K", ""},
        {"at most 255 bytes", S("[S]\r\nK=" + x300), "S", "K", x300.substr(0, 255)},
        {"never half a character", S("[S]\r\nK=" + x254 + "表"), "S", "K", x254},
        {"255 bytes ending in a whole character", S("[S]\r\nK=" + x254.substr(1) + "表"), "S", "K",
         x254.substr(1) + "表"},
        {"second bytes [ \\ ] survive", S("[表ソ能ゼゾ]\r\nソ=表ソ能ゼゾ"), "表ソ能ゼゾ", "ソ",
         "表ソ能ゼゾ"},
        {"] as a second byte does not end the name", S("[A]ゾ\r\nK=v"), "A", "K", "v"},
        {"[ as a second byte starts no section", S("[S]\r\nK=1\r\nゼ=2\r\nL=3"), "S", "L", "3"},
        {"UTF-8 mark breaks the first line", Bytes("\xEF\xBB\xBF[S]\r\nK=v"), "S", "K", ""},
        {"NUL bytes dropped", Bytes("[S]\r\nK=a\0b"sv), "S", "K", "ab"},
        {"bytes that do not decode", Bytes("[S]\r\nK=\x81 x\xff\x85\x40!"), "S", "K",
         "\xEF\xBF\xBD x\xEF\xBF\xBD\xEF\xBF\xBD!"},
        {"NEC and IBM rows", Bytes("[S]\r\nK=\x87\x40\x81\x60\xfa\x40"), "S", "K", "①～ⅰ"},
    };
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    for (const ReadCase& c : cases) {
        WriteBytes(file, c.file);
        VirtualTime time;
        EXPECT_EQ(ReadSetting(time, c.section, c.key, file), c.expected) << c.rule;
        // An empty result is tried once more after 100 ms; a value is not.
        EXPECT_EQ(time.Slept(), c.expected.empty() ? 100 : 0) << c.rule;
    }
}

struct WriteCase {
    const char* rule;
    std::optional<std::string> before; // nothing: the file does not exist
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(ProfileRulesTest, WritesChangeOnlyTheValue) {
    const std::vector<WriteCase> cases = {
        {"missing file", std::nullopt, "S", "K", "v", S("[S]\r\nK=v\r\n")},
        {"empty file", S(""), "S", "K", "v", S("[S]\r\nK=v\r\n")},
        {"section appended, no blank line", S("[A]\r\nX=1\r\n"), "S", "K", "v",
         S("[A]\r\nX=1\r\n[S]\r\nK=v\r\n")},
        {"line end first when the last line lacks one", S("[A]\r\nX=1"), "S", "K", "v",
         S("[A]\r\nX=1\r\n[S]\r\nK=v\r\n")},
        {"LF file keeps its LFs", S("[A]\nX=1\n"), "S", "K", "v", S("[A]\nX=1\n[S]\r\nK=v\r\n")},
        {"key after the last entry, blank lines stay after it",
         S("[A]\r\nX=1\r\n\r\n \r\n[B]\r\nY=2\r\n"), "A", "K", "v",
         S("[A]\r\nX=1\r\nK=v\r\n\r\n \r\n[B]\r\nY=2\r\n")},
        {"key into a section without entries", S("[A]\r\n\r\n[B]"), "a", "K", "v",
         S("[A]\r\nK=v\r\n\r\n[B]")},
        {"key into the last section without line end", S("[A]\r\nX=1"), "A", "K", "v",
         S("[A]\r\nX=1\r\nK=v\r\n")},
        {"key after a trailing comment and junk", S("; c\r\n[A]\r\njunk\r\n;X=1\r\n"), "A", "X",
         "9", S("; c\r\n[A]\r\njunk\r\n;X=1\r\nX=9\r\n")},
        {"existing key keeps its spelling and spacing", S("[a]\r\n  x = old ;c \r\nY=2\r\n"), "A",
         "X", "new", S("[a]\r\n  x = new \r\nY=2\r\n")},
        {"empty value is filled after the blanks", S("[a]\r\nx=  \r\n"), "A", "X", "v",
         S("[a]\r\nx=  v\r\n")},
        {"existing key keeps its line end", S("[A]\nX=1\rY=2"), "A", "X", "9", S("[A]\nX=9\rY=2")},
        {"first of duplicate sections and keys", S("[A]\r\nX=1\r\nX=2\r\n[A]\r\nX=3\r\n"), "A", "X",
         "9", S("[A]\r\nX=9\r\nX=2\r\n[A]\r\nX=3\r\n")},
        {"key only in the second duplicate", S("[A]\r\nY=1\r\n[A]\r\nX=3\r\n"), "A", "X", "9",
         S("[A]\r\nY=1\r\nX=9\r\n[A]\r\nX=3\r\n")},
        {"keys before any section ignored", S("X=1\r\n[A]\r\n"), "A", "X", "9",
         S("X=1\r\n[A]\r\nX=9\r\n")},
        {"double-byte names and values", S("[表]\r\nソ=能\r\n[ゼ]\r\n"), "表", "ソ", "ゾ表",
         S("[表]\r\nソ=ゾ表\r\n[ゼ]\r\n")},
        {"full-width name is another key", S("[A]\r\nＡ=1\r\n"), "A", "ａ", "2",
         S("[A]\r\nＡ=1\r\nａ=2\r\n")},
        {"bytes nobody understands stay",
         Bytes("\xff\x80junk\x81\r\n[A] \x83\x5d\r\nX=\x81\r\n\x1a"), "A", "X", "1",
         Bytes("\xff\x80junk\x81\r\n[A] \x83\x5d\r\nX=1\r\n\x1a")},
        {"names written trimmed", std::nullopt, " S ", " K ", " v ", S("[S]\r\nK= v \r\n")},
        {"quotes written as given", S("[S]\r\nK=1\r\n"), "S", "K", "'a'", S("[S]\r\nK='a'\r\n")},
        {"empty value", S("[S]\r\nK=1\r\n"), "S", "K", "", S("[S]\r\nK=\r\n")},
    };
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    for (const WriteCase& c : cases) {
        std::remove(file.c_str());
        if (c.before) {
            WriteBytes(file, *c.before);
        }
        VirtualTime time;
        EXPECT_NE(WriteSetting(time, c.section, c.key, c.value, file), 0) << c.rule;
        EXPECT_EQ(ReadBytes(file), c.after) << c.rule;
        EXPECT_EQ(time.Slept(), 0) << c.rule;
    }
}

} // namespace
} // namespace zarava
