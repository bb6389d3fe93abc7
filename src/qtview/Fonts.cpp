#include "qtview/Fonts.h"

#include <QStringList>

namespace zarava {

void InstallDesignFontSubstitutions() {
    struct Substitution {
        const char* designName;
        const char* face;
    };
    // Both the full-width and the ASCII spelling of each name occur in designs.
    static const Substitution substitutions[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},    {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
    };
    for (const Substitution& s : substitutions) {
        QFont::insertSubstitutions(QString::fromUtf8(s.designName), {QString::fromUtf8(s.face)});
    }
}

QFont DesignFont(const std::string& utf8Name, double pointSize, bool bold) {
    QFont font(QString::fromStdString(utf8Name));
    if (pointSize > 0) {
        font.setPointSizeF(pointSize);
    }
    font.setBold(bold);
    return font;
}

} // namespace zarava
