#pragma once

#include "settings/ProfileFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarava {

// The forms in which a profile file's bytes may hold its text, told apart by a byte-order mark
// at the start as the issuer's platform tells them: UTF-16LE after FF FE, UTF-8 after EF BB BF,
// and code page 932 otherwise. A file keeps its form when it is written.
enum class ProfileForm { Cp932, Utf8, Utf16 };

ProfileForm DetectProfileForm(std::string_view bytes);

// The text of a file's bytes, as the profile rules work on it: the code page 932 bytes as they
// are, or the Unicode text as UTF-8 without its mark.
class ProfileContent {
public:
    ProfileContent() = default;
    // The text may point into the object itself, so it stays where it was made.
    ProfileContent(const ProfileContent&) = delete;
    ProfileContent& operator=(const ProfileContent&) = delete;

    // Takes the text of the bytes, which must outlive it for a code page 932 or UTF-8 file.
    // False only for a UTF-16 file that cannot be written back byte for byte (an odd length).
    bool Load(std::string_view bytes);

    ProfileForm Form() const { return form_; }
    ProfileText Text() const {
        return form_ == ProfileForm::Cp932 ? ProfileText::Cp932 : ProfileText::Utf8;
    }
    std::string_view View() const { return view_; }

    // The file's bytes for a changed text, in the file's own form and with its mark.
    std::string Store(std::string_view text) const;

    // The caller's UTF-8 name or value as the text of this file holds it; nothing when this
    // form cannot hold it (a character outside the code page, text that is not UTF-8).
    std::optional<std::string> FromUtf8(std::string_view utf8) const;

    // A value read from this file as UTF-8; whatever does not decode becomes U+FFFD.
    std::string ToUtf8(std::string_view value) const;

private:
    ProfileForm form_ = ProfileForm::Cp932;
    std::string_view view_;
    std::string converted_; // the UTF-8 text of a UTF-16 file
};

// True when the text is UTF-8 that a UTF-16 file can hold: well formed, no surrogates.
bool IsValidUtf8(std::string_view text);

} // namespace zarava
