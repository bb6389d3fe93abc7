#include "platform/qt/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <utility>

namespace zarava {
namespace {

TEST(FontsTest, DesignFontsKeepSizeAndWeightAndResolveToOneIpaFace) {
    const QFont font = DesignFont("ＭＳ Ｐ明朝", 27.75, true);
    EXPECT_EQ(font.family(), QString::fromUtf8("ＭＳ Ｐ明朝"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 27.75);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(DesignFont("MS Gothic", 9, false).bold());

    const std::pair<const char*, QString> cases[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},    {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
    };
    for (const auto& [designName, face] : cases) {
        if (!QFontDatabase::families().contains(face)) {
            GTEST_SKIP()
                << "IPA fonts missing (packages fonts-ipafont-gothic, fonts-ipafont-mincho)";
        }
    }
    InstallDesignFontSubstitutions();
    InstallDesignFontSubstitutions(); // a second call must not stack up substitutes
    for (const auto& [designName, face] : cases) {
        const QString name = QString::fromUtf8(designName);
        EXPECT_EQ(QFontInfo(QFont(name)).family(), face) << designName;
        EXPECT_EQ(QFont::substitutes(name).size(), 1) << designName;
    }
}

} // namespace
} // namespace zarava
