#include "platform/qt/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace zarava {
namespace {

bool IpaFontsInstalled() {
    const QStringList families = QFontDatabase::families();
    for (const char* face : {"IPAPGothic", "IPAGothic", "IPAMincho", "IPAPMincho"}) {
        if (!families.contains(QString::fromLatin1(face))) {
            return false;
        }
    }
    return true;
}

TEST(FontsTest, DesignNamesResolveToOneIpaFace) {
    if (!IpaFontsInstalled()) {
        GTEST_SKIP() << "IPA fonts missing (packages fonts-ipafont-gothic, fonts-ipafont-mincho)";
    }
    InstallDesignFontSubstitutions();
    InstallDesignFontSubstitutions(); // a second call must not stack up substitutes
    const struct {
        const char* designName;
        const char* face;
    } cases[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},    {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.designName);
        EXPECT_EQ(QFontInfo(QFont(name)).family().toStdString(), c.face) << c.designName;
        EXPECT_EQ(QFont::substitutes(name).size(), 1) << c.designName;
    }
}

TEST(FontsTest, DesignFontKeepsFractionalSizeAndWeight) {
    const QFont font = DesignFont("ＭＳ Ｐ明朝", 27.75, true);
    EXPECT_EQ(font.family(), QString::fromUtf8("ＭＳ Ｐ明朝"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 27.75);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(DesignFont("MS Gothic", 9, false).bold());
    if (IpaFontsInstalled()) {
        InstallDesignFontSubstitutions();
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("IPAPMincho"));
    }
}

} // namespace
} // namespace zarava
