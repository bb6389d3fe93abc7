#include "FuzzCheck.h"

#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"
#include "text/Cp932.h"
#include "text/Text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A settings file as any program, editor or accident may leave it, taken as the settings store
// takes it: its text form from the byte-order mark, a read of keys as ReadSetting gives them,
// and one write of a key on the parsed bytes. The section, key and value of the write are
// picked by the input's hash from the names the display uses and the names the file holds, so
// an input always does the same.

namespace {

using namespace zarava;

using Found = std::optional<std::string_view>;

// The display's own names in the caller's UTF-8 (one in lower case) and one of each it never
// uses, and values of the kinds it writes or a person could type.
constexpr std::string_view kSections[] = {
    "DAZUZE INFOMATION",  "DISPLAY INFOMATION", "USER INFOMATION",
    "ZARAVA1 INFOMATION", "user infomation",    "NEW SECTION",
};
constexpr std::string_view kKeys[] = {
    "SHINSATSU", "DAZUZE1", "1TIME CALC", "MSSG 3",   "MSG TYPE",    "COUNTER",
    "TODAY",     "FORM",    "form",       "BAR CODE", "1CALL SOUND", "NEW KEY",
};
constexpr std::string_view kValues[] = {
    "", "0", "7", "番窓口", "表ソ能ゼ", " 3 ", "\"quoted\"", "'", "x=y", "[SECTION]", ";x",
};

std::uint64_t Hash(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    return hash;
}

// Whether the text could come from a caller of the settings store: the caller's UTF-8 comes
// into the file's text form whole, and no byte of it ends a line.
bool Writable(const ProfileContent& content, std::string_view text) {
    if (BreaksProfileLine(text)) {
        return false;
    }
    if (content.Text() == ProfileText::Utf8) {
        return IsValidUtf8(text);
    }
    return Utf8ToCp932(Cp932ToUtf8(text)) == text;
}

// The names a write and the reads are tried with: a few of the display's own, picked by the
// input's hash, and up to three of each kind that the file holds.
struct Names {
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    std::vector<std::string> values;
};

constexpr std::size_t kFromFile = 3;

void Add(std::vector<std::string>& to, const ProfileContent& content, std::string_view text) {
    if (const std::optional<std::string> own = content.FromUtf8(text)) {
        to.push_back(*own);
    }
}

void AddFromFile(std::vector<std::string>& to, std::size_t limit, const ProfileContent& content,
                 std::string_view text) {
    text = TrimSpaces(text);
    if (to.size() < limit && Writable(content, text)) {
        to.emplace_back(text);
    }
}

// The file's names and values are found without the parser's rules: the text of a line
// starting with '[' up to its last ']', and the text of other lines before and after their
// first '='. So the parser is checked against names it may not see as such.
Names NamesOf(const ProfileContent& content, std::uint64_t pick) {
    Names names;
    for (int i = 0; i < 2; ++i, pick >>= 8) {
        Add(names.sections, content, kSections[pick % std::size(kSections)]);
        Add(names.keys, content, kKeys[(pick >> 4) % std::size(kKeys)]);
    }
    for (const std::string_view v : kValues) {
        Add(names.values, content, v);
    }
    // 130 double-byte characters: more than a read gives, so it is clipped between two.
    std::string longValue;
    for (int i = 0; i < 130; ++i) {
        longValue += "表";
    }
    Add(names.values, content, longValue);

    const std::size_t sectionLimit = names.sections.size() + kFromFile;
    const std::size_t keyLimit = names.keys.size() + kFromFile;
    const std::size_t valueLimit = names.values.size() + kFromFile;
    const std::string_view text = content.View();
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = TrimSpaces(text.substr(start, end - start));
        start = end + 1;
        if (line.starts_with('[')) {
            const std::size_t close = line.rfind(']');
            AddFromFile(names.sections, sectionLimit, content,
                        line.substr(1, close == std::string_view::npos ? close : close - 1));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            AddFromFile(names.keys, keyLimit, content, line.substr(0, equals));
            AddFromFile(names.values, valueLimit, content, line.substr(equals + 1));
        }
    }
    return names;
}

bool SameName(std::string_view a, std::string_view b) {
    return EqualIgnoringAsciiCase(TrimSpaces(a), TrimSpaces(b));
}

// A read as ReadSetting makes it: the value clipped to the read buffer, never inside a
// character and no shorter than it must be, and UTF-8 for the caller.
void CheckRead(const ProfileContent& content, Found found) {
    if (!found) {
        return;
    }
    const std::string_view clipped =
        ClipProfileValue(*found, kMaxSettingValueBytes, content.Text());
    FUZZ_CHECK(clipped.data() == found->data() && clipped.size() <= found->size());
    const std::string shown = content.ToUtf8(clipped);
    FUZZ_CHECK(IsValidUtf8(shown));
    if (clipped.size() == found->size()) {
        return;
    }
    if (content.Text() == ProfileText::Cp932) {
        FUZZ_CHECK(clipped.size() <= kMaxSettingValueBytes &&
                   clipped.size() + Cp932CharLength(*found, clipped.size()) >
                       kMaxSettingValueBytes);
        FUZZ_CHECK(content.ToUtf8(*found).starts_with(shown));
    } else if (IsValidUtf8(*found)) {
        FUZZ_CHECK(found->starts_with(shown));
    }
}

// One write: only the key's value changes, the key reads back as the value reads in a file of
// its own, and writing the same again changes nothing.
void CheckWrite(const ProfileContent& content, const Names& names, const std::vector<Found>& reads,
                std::uint64_t pick) {
    const ProfileText form = content.Text();
    const std::string& section = names.sections[pick % names.sections.size()];
    const std::string& key = names.keys[(pick >> 8) % names.keys.size()];
    const std::string& value = names.values[(pick >> 16) % names.values.size()];
    if (!CanHoldNames(section, key)) {
        return; // the settings store refuses them
    }
    const std::string_view before = content.View();
    const std::string after = SetProfileValue(before, section, key, value, form);

    std::size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    const std::string_view removed = before.substr(head, before.size() - head - tail);
    FUZZ_CHECK(removed.find_first_of("\r\n") == std::string_view::npos);
    FUZZ_CHECK(HoldsProfileValue(before, section, key, value, form) == (after == before));

    const std::string alone = SetProfileValue("", section, key, value, form);
    FUZZ_CHECK(FindProfileValue(after, section, key, form) ==
               FindProfileValue(alone, section, key, form));
    FUZZ_CHECK(SetProfileValue(after, section, key, value, form) == after);
    CheckRead(content, FindProfileValue(after, section, key, form));

    auto read = reads.begin();
    for (const std::string& s : names.sections) {
        for (const std::string& k : names.keys) {
            if (!SameName(s, section) || !SameName(k, key)) {
                FUZZ_CHECK(*read == FindProfileValue(after, s, k, form));
            }
            ++read;
        }
    }

    // The written text goes into the file's own form and comes back from it as it was.
    const std::string stored = content.Store(after);
    ProfileContent again;
    FUZZ_CHECK(again.Load(stored));
    FUZZ_CHECK(again.Form() == content.Form() && again.View() == after);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ProfileContent content;
    const bool storable = content.Load(bytes);
    if (storable) {
        FUZZ_CHECK(content.Store(content.View()) == bytes);
    }
    const std::uint64_t pick = Hash(bytes);
    const Names names = NamesOf(content, pick);
    std::vector<Found> reads;
    for (const std::string& s : names.sections) {
        for (const std::string& k : names.keys) {
            reads.push_back(FindProfileValue(content.View(), s, k, content.Text()));
            CheckRead(content, reads.back());
        }
    }
    if (storable) {
        CheckWrite(content, names, reads, pick >> 24);
    }
    return 0;
}
