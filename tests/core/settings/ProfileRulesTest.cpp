// The private-profile rules, checked through ReadSetting and WriteSetting on
// real files: what a read returns, and the exact bytes a write leaves. Files
// are code page 932 bytes; S() converts the rows written in Japanese, U16()
// makes a UTF-16LE file with its byte-order mark.

#include "OldFiles.h"
#include "PausingClock.h"
#include "TempFolder.h"

#include "settings/SettingsStore.h"
#include "text/Cp932.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zarava {
namespace {

using namespace std::string_literals;
using test::TempFolder;

std::string S(const std::string& utf8) {
    return Utf8ToCp932(utf8).value(); // throws, failing the test, for text the code page lacks
}

std::string U16(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    return bytes;
}

struct ReadCase {
    const char* rule;
    std::string file, expected;
    const char *section = "S", *key = "K";
};

TEST(ProfileRulesTest, ReadsAsTheIssuersPlatformDoes) {
    const std::string x300(300, 'x'), x254(254, 'x'), x253(253, 'x');
    const std::vector<ReadCase> cases = {
        {"LF and lone CR end lines", "[S]\nA=1\rK=v\n", "v"},
        {"last line without line end", "[S]\r\nK=v", "v"},
        {"blanks are 09-0D, 1A, 20", "[S]\r\n\t\x0b\x0c K \x1a= \t v \x1a\t\r\n", "v"},
        {"full-width space is text", S("[S]\r\nK=　v　\r\n"), "　v　"},
        {"blanks before the section line", " \t[S]\r\nK=v", "v"},
        {"section name trimmed", "[ \tS \x0b]\r\nK=v", "v"},
        {"section name runs to the last ]", "[A]B]\r\nK=v", "v", "A]B"},
        {"text after the last ] ignored", "[S] note\r\nK=v", "v"},
        {"a key after ] is no key", "[S]K=v\r\n", ""},
        {"section line without ]", "[ S \r\nK=v", "v"},
        {"split at the first =", "[S]\r\nK=a=b", "a=b"},
        {"name argument trimmed of spaces", "[S]\r\nK=v", "v", " S ", " K "},
        {"a tab in the argument is part of the name", "[S]\r\nK=v", "", "S", "\tK"},
        {"; starts a comment line", "[S]\r\n ;K=x\r\nK=v", "v"},
        {"a comment is never a key", "[S]\r\n;K=x\r\n", "", "S", ";K"},
        {"no comment inside a value", "[S]\r\nK=v ;c # d", "v ;c # d"},
        {"ASCII case folded", "[sEc]\r\nkEy=v", "v", "SeC", "KeY"},
        {"full-width letters not folded", S("[S]\r\nＡ=v"), "", "S", "ａ"},
        {"second byte never folded (ヂ 83 61, ア 83 41)", S("[S]\r\nヂ=v"), "", "S", "ア"},
        {"first of two sections only", "[S]\r\nA=1\r\n[s]\r\nA=2\r\nB=3", "", "S", "B"},
        {"first of two sections wins", "[S]\r\nA=1\r\n[s]\r\nA=2", "1", "S", "A"},
        {"first of two keys wins", "[S]\r\nA=1\r\na=2", "1", "S", "A"},
        {"keys before any section unseen", "A=1\r\n[S]\r\n", "", "S", "A"},
        {"empty section name", "[]\r\nA=1\r\n", "1", "", "A"},
        {"double quotes taken off", "[S]\r\nK= \" v \" ", " v "},
        {"single quotes taken off", "[S]\r\nK='v'", "v"},
        {"unmatched quotes kept", "[S]\r\nK=\"v'", "\"v'"},
        {"one quote is no pair", "[S]\r\nK=\"", "\""},
        {"only the outer pair", "[S]\r\nK=\"\"v\"\"", "\"v\""},
        {"empty quotes read as empty", "[S]\r\nK=\"\"", ""},
        {"at most 255 bytes", "[S]\r\nK=" + x300, x300.substr(0, 255)},
        {"never half a character", S("[S]\r\nK=" + x254 + "表"), x254},
        {"255 bytes ending in a whole character", S("[S]\r\nK=" + x253 + "表"), x253 + "表"},
        {"second bytes [\\]", S("[表ソ能ゼゾ]\r\nソ=表ソ能ゼゾ"), "表ソ能ゼゾ", "表ソ能ゼゾ", "ソ"},
        {"] as a second byte does not end the name", S("[A]ゾ\r\nK=v"), "v", "A"},
        {"[ as a second byte starts no section", S("[S]\r\nK=1\r\nゼ=2\r\nL=3"), "3", "S", "L"},
        {"NUL ends the value", "[S]\r\nK=1\0002"s, "1"},
        {"UTF-8 mark: UTF-8 text", "\xEF\xBB\xBF[表]\r\nキー=値", "値", "表", "キー"},
        {"UTF-8 mark: not code page 932", "\xEF\xBB\xBF[S]\r\nK=\x95\x5c", "\uFFFD\\"},
        {"UTF-16 mark: UTF-16 text", U16(u"[表]\r\nキー=値😀"), "値😀", "表", "キー"},
        {"UTF-16 folds ASCII only", U16(u"[s]\nｋ=1\nk=2"), "2", "S", "K"},
        {"UTF-16 cut as the code page counts, half-width kana one byte",
         U16(u"[S]\r\nK=" + std::u16string(253, u'x') + u"｡ﾟ表"), x253 + "｡ﾟ"},
        {"UTF-16 lone surrogate", U16(u"[S]\r\nK=a\xD800!"), "a\uFFFD!"},
        {"undecodable bytes", "[S]\r\nK=\x81 x\xff\x85\x40!\x95", "\uFFFD x\uFFFD\uFFFD!\uFFFD"},
        {"the code page's own rows, NEC's and IBM's too",
         "[S]\r\nK=\\\x95\x5c\x83\x5c\x87\x40\x81\x60\x81\x40\xb1\xfa\x40", "\\表ソ①～　ｱⅰ"},
    };
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    for (const ReadCase& c : cases) {
        folder.Write("zarava.ini", c.file);
        VirtualTime time;
        EXPECT_EQ(ReadSetting(time, c.section, c.key, file), c.expected) << c.rule;
        // An empty result is tried once more after 100 ms; a value is not.
        EXPECT_EQ(time.Slept(), c.expected.empty() ? 100 : 0) << c.rule;
    }
}

struct WriteCase {
    const char* rule;
    std::optional<std::string> before; // nothing: the file does not exist
    const char* value;
    std::string after;
    const char *section = "S", *key = "K";
};

TEST(ProfileRulesTest, WritesChangeOnlyTheValue) {
    const std::vector<WriteCase> cases = {
        {"missing file", std::nullopt, "v", "[S]\r\nK=v\r\n"},
        {"empty file", "", "v", "[S]\r\nK=v\r\n"},
        {"section appended, no blank line", "[A]\r\nX=1\r\n", "v", "[A]\r\nX=1\r\n[S]\r\nK=v\r\n"},
        {"last line ended first", "[A]\r\nX=1", "v", "[A]\r\nX=1\r\n[S]\r\nK=v\r\n"},
        {"LF file keeps its LFs", "[A]\nX=1\n", "v", "[A]\nX=1\n[S]\r\nK=v\r\n"},
        {"before blanks", "[S]\r\nX=1\r\n\r\n \r\n[B]", "v", "[S]\r\nX=1\r\nK=v\r\n\r\n \r\n[B]"},
        {"key into a section without entries", "[S]\r\n\r\n[B]", "v", "[S]\r\nK=v\r\n\r\n[B]", "s"},
        {"key into the last section without line end", "[S]\r\nX=1", "v", "[S]\r\nX=1\r\nK=v\r\n"},
        {"key after junk", "[S]\r\njunk\r\n;K=1\r\n", "9", "[S]\r\njunk\r\n;K=1\r\nK=9\r\n"},
        {"spelling and blanks kept", "[s]\r\n  k = old ;c \r\n", "new", "[s]\r\n  k = new \r\n"},
        {"empty value is filled after the blanks", "[s]\r\nk=  \r\n", "v", "[s]\r\nk=  v\r\n"},
        {"existing key keeps its line end", "[S]\nK=1\rY=2", "9", "[S]\nK=9\rY=2"},
        {"first duplicate", "[S]\r\nK=1\r\nK=2", "9", "[S]\r\nK=9\r\nK=2"},
        {"later duplicate", "[S]\r\nY=1\r\n[S]\r\nK=3", "9", "[S]\r\nY=1\r\nK=9\r\n[S]\r\nK=3"},
        {"keys before any section ignored", "K=1\r\n[S]\r\n", "9", "K=1\r\n[S]\r\nK=9\r\n"},
        {"code page 932 bytes", "[S]\r\n", "\\表ソ①～　ｱ",
         "[S]\r\nK=\\\x95\x5c\x83\x5c\x87\x40\x81\x60\x81\x40\xb1\r\n"},
        {"kanji", S("[表]\r\nソ=1\r\n[ゼ]"), "ゾ表", S("[表]\r\nソ=ゾ表\r\n[ゼ]"), "表", "ソ"},
        {"full-width", S("[S]\r\nＡ=1\r\n"), "2", S("[S]\r\nＡ=1\r\nａ=2\r\n"), "S", "ａ"},
        {"odd bytes stay", "\xff\x80junk\x81\r\n[S] \x83\x5d\r\nK=\x81\r\n\x1a", "1",
         "\xff\x80junk\x81\r\n[S] \x83\x5d\r\nK=1\r\n\x1a"},
        {"names written trimmed", std::nullopt, "v", "[S]\r\nK=v\r\n", " S ", " K "},
        {"value written trimmed", "[S]\r\nK=v\r\n", " \tv \x1a", "[S]\r\nK=v\r\n"},
        {"bytes after a NUL replaced", "[S]\r\nK=1\0002 \r\n"s, "3", "[S]\r\nK=3 \r\n"},
        {"UTF-8 stays", "\xEF\xBB\xBF[S]\r\nK=1\r\n", "値😀", "\xEF\xBB\xBF[S]\r\nK=値😀\r\n"},
        {"UTF-16 stays", U16(u"[S]\r\nK=1\r\n\xD800"), "値😀", U16(u"[S]\r\nK=値😀\r\n\xD800")},
        {"UTF-16 section appended", U16(u"[A]"), "v", U16(u"[A]\r\n[表]\r\nK=v\r\n"), "表"},
        {"quotes written as given", "[S]\r\nK=1\r\n", "'a'", "[S]\r\nK='a'\r\n"},
        {"empty value", "[S]\r\nK=1\r\n", "", "[S]\r\nK=\r\n"},
    };
    TempFolder folder;
    const std::string file = folder.File("zarava.ini");
    for (const WriteCase& c : cases) {
        std::remove(file.c_str());
        if (c.before) {
            folder.Write("zarava.ini", *c.before);
            test::MakeOld(file);
        }
        VirtualTime time;
        EXPECT_NE(WriteSetting(time, c.section, c.key, c.value, file), 0) << c.rule;
        EXPECT_EQ(folder.Read("zarava.ini"), c.after) << c.rule;
        EXPECT_LT(time.Slept(), 100) << c.rule << ": written at the first attempt";
    }
}

} // namespace
} // namespace zarava
