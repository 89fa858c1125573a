#include "WidgetTestSupport.hpp"

#include "widgets/Card.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/LinearProgress.hpp"
#include "widgets/SearchLocationView.hpp"
#include "widgets/SearchProgressCard.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QDir>
#include <QLabel>

#include <limits>

namespace ambertrove {
namespace {

using test::Backdrop;
using test::near;
using test::savePicture;

class SearchCards : public test::WidgetTest {};

TEST_F(SearchCards, PercentageIsTruncatedToAWholeNumber) {
    struct Case {
        double fraction;
        const char* expected;
    };
    const Case cases[] = {
        {0.999, "99%"}, {1.0, "100%"}, {0.0, "0%"},  {0.5, "50%"},   {0.29, "29%"},
        {0.0099, "0%"}, {0.57, "57%"}, {1.5, "100%"}, {-0.2, "0%"}, {std::numeric_limits<double>::quiet_NaN(), ""},
        {std::numeric_limits<double>::infinity(), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchProgressCard::percentText(c.fraction), QString::fromUtf8(c.expected)) << c.fraction;
}

TEST_F(SearchCards, AFractionGivesADeterminateBarAndAPercentage) {
    SearchProgressCard card;
    card.setTitle(QStringLiteral("Reading full contents"));
    card.setDetail(QStringLiteral("movie.mov"));
    card.setFraction(0.999);
    EXPECT_TRUE(card.header()->isVisibleTo(&card));
    EXPECT_TRUE(card.percentLabel()->isVisibleTo(&card));
    EXPECT_EQ(card.percentLabel()->text(), QStringLiteral("99%"));
    EXPECT_EQ(card.percentLabel()->accessibleName(), QStringLiteral("Current file: 99 percent"));
    EXPECT_EQ(card.percentLabel()->toolTip(), QStringLiteral("Progress through the current file"));
    EXPECT_FALSE(card.progressBar()->isIndeterminate());
    EXPECT_DOUBLE_EQ(*card.progressBar()->fraction(), 0.999);

    card.setFraction(std::nullopt);
    EXPECT_TRUE(card.progressBar()->isIndeterminate());
    EXPECT_FALSE(card.percentLabel()->isVisibleTo(&card));

    card.setFraction(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(card.progressBar()->isIndeterminate()) << "a value that is not finite counts as none";
    EXPECT_FALSE(card.percentLabel()->isVisibleTo(&card));
}

TEST_F(SearchCards, AnEmptyTitleHidesTheHeaderButNotTheBar) {
    SearchProgressCard card;
    card.setFraction(0.4);
    EXPECT_FALSE(card.header()->isVisibleTo(&card));
    EXPECT_TRUE(card.progressBar()->isVisibleTo(&card));
    EXPECT_FALSE(card.factsRow()->isVisibleTo(&card));
    EXPECT_FALSE(card.pathLabel()->isVisibleTo(&card));
    EXPECT_FALSE(card.detailLabel()->isVisibleTo(&card));
}

TEST_F(SearchCards, FactsAndPathShowWhenGiven) {
    SearchProgressCard card;
    card.setTitle(QStringLiteral("Comparing your files"));
    card.setFacts({{QStringLiteral("Candidates checked"), ViewText::groupedCount(12345)},
                   {QStringLiteral("Candidates found"), QStringLiteral("7")}});
    ASSERT_EQ(card.factLabels().size(), 2);
    EXPECT_EQ(card.factLabels()[0]->text(), QStringLiteral("CANDIDATES CHECKED"));
    EXPECT_EQ(card.factValues()[0]->text(), QStringLiteral("12,345"));
    EXPECT_TRUE(card.factsRow()->isVisibleTo(&card));
    // New values under the same labels update the figures in place.
    ShrinkingLabel* first = card.factValues()[0];
    card.setFacts({{QStringLiteral("Candidates checked"), QStringLiteral("12,400")},
                   {QStringLiteral("Candidates found"), QStringLiteral("9")}});
    EXPECT_EQ(card.factValues()[0], first);
    EXPECT_EQ(first->text(), QStringLiteral("12,400"));

    card.setPath(QDir::homePath() + QStringLiteral("/Movies/<b>clip</b> & more.mov"));
    EXPECT_TRUE(card.pathLabel()->isVisibleTo(&card));
    EXPECT_EQ(card.pathLabel()->text(), QStringLiteral("~/Movies/<b>clip</b> & more.mov"));
    card.setPath(std::nullopt);
    EXPECT_FALSE(card.pathLabel()->isVisibleTo(&card));
    card.setFacts({});
    EXPECT_FALSE(card.factsRow()->isVisibleTo(&card));
}

TEST_F(SearchCards, ALargeFigureShrinksBeforeItIsShortened) {
    ShrinkingLabel label(QStringLiteral("1,234,567,890 files"));
    label.setFont(ViewText::font(20, QFont::DemiBold));
    const int natural = label.sizeHint().width();
    label.resize(natural, 30);
    EXPECT_EQ(label.shownPixelSize(), 20);
    EXPECT_EQ(label.shownText(), label.text());
    label.resize(int(natural * 0.9), 30);
    EXPECT_LT(label.shownPixelSize(), 20);
    EXPECT_GE(label.shownPixelSize(), 16);
    EXPECT_EQ(label.shownText(), label.text());
    label.resize(natural / 2, 30);
    EXPECT_EQ(label.shownPixelSize(), 16);
    EXPECT_TRUE(label.shownText().endsWith(QStringLiteral("…")));
}

TEST_F(SearchCards, AnElidedLabelIsShortenedAgainOnResize) {
    ElidedLabel label(QStringLiteral("/a/very/long/path/that/goes/on/and/on/file.txt"), Qt::ElideMiddle);
    label.resize(label.sizeHint());
    EXPECT_EQ(label.shownText(), label.text());
    label.resize(label.sizeHint().width() / 2, label.height());
    EXPECT_TRUE(label.shownText().contains(QStringLiteral("…")));
    EXPECT_TRUE(label.shownText().endsWith(QStringLiteral("txt")));
    EXPECT_TRUE(label.shownText().startsWith(QStringLiteral("/a")));
}

TEST_F(SearchCards, ProgressCardPictures) {
    for (const bool dark : {false, true}) {
        Appearance::setDark(dark);
        auto* determinate = new SearchProgressCard;
        determinate->setTitle(QStringLiteral("Reading full contents"));
        determinate->setDetail(QStringLiteral("A rather long file name that needs more room than one line to be "
                                              "shown whole, with more and more words until it reaches a third.mov"));
        determinate->setFraction(0.999);
        determinate->setFacts({{QStringLiteral("Read from this file"), QStringLiteral("1.2 GB")},
                               {QStringLiteral("File size"), QStringLiteral("1.21 GB")}});
        auto* waiting = new SearchProgressCard;
        waiting->setTitle(QStringLiteral("Scanning Work…"));
        waiting->setDetail(QStringLiteral("Comparison starts after the scan."));
        waiting->setPath(QDir::homePath() + QStringLiteral("/Work/src/module/deep/inside/file.cpp"));
        waiting->setFacts({{QStringLiteral("Files"), ViewText::groupedCount(1234567)},
                           {QStringLiteral("Folders"), ViewText::groupedCount(8910)},
                           {QStringLiteral("Size on disk"), QStringLiteral("12.34 GB")}});
        auto* column = new QWidget;
        auto* layout = new QVBoxLayout(column);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(12);
        layout->addWidget(new SearchLocationView(QDir::homePath() + QStringLiteral("/Projects/Ambertrove"), true));
        layout->addWidget(new SearchLocationView(QStringLiteral("/System/Volumes/Data"), false));
        layout->addWidget(new Card(determinate));
        layout->addWidget(new Card(waiting));
        Backdrop backdrop(column, 16, 460);
        backdrop.show();
        const QImage picture = test::settledPicture(backdrop);
        savePicture(picture, dark ? QStringLiteral("search-cards-dark") : QStringLiteral("search-cards-light"));
        // The determinate bar is filled with accent at its start.
        LinearProgress* bar = determinate->progressBar();
        const QPoint start = bar->mapTo(&backdrop, QPoint(bar->width() / 2, bar->height() / 2));
        EXPECT_TRUE(near(picture.pixelColor(start), Appearance::role(ColorRole::accent)));
        EXPECT_LE(determinate->detailLabel()->shownText().count(QLatin1Char('\n')), 1);
        EXPECT_TRUE(determinate->detailLabel()->shownText().contains(QStringLiteral("…")));
    }
}

TEST_F(SearchCards, LocationNamesAndSymbols) {
    const QString home = QStringLiteral("/Users/u");
    struct Case {
        QString path;
        QString name;
    };
    const Case cases[] = {
        {"/System/Volumes/Data", "Entire Mac"}, {"/", "Entire Mac"},       {home, "Home"},
        {"/Users/u/Projects", "Projects"},      {"/Volumes/Disk/", "Disk"}, {"/Users/uu", "uu"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchLocationView::displayName(c.path, home), c.name) << c.path.toStdString();
    EXPECT_EQ(SearchLocationView::symbolFor(QStringLiteral("/System/Volumes/Data")), QStringLiteral("internaldrive"));
    EXPECT_EQ(SearchLocationView::symbolFor(QStringLiteral("/")), QStringLiteral("folder"));
    EXPECT_EQ(SearchLocationView::symbolFor(home), QStringLiteral("folder"));
}

TEST_F(SearchCards, LocationViewSpeaksAsOneElementWithThePath) {
    const QString path = QDir::homePath() + QStringLiteral("/<b>x<b> & y");
    SearchLocationView view(path, true);
    EXPECT_EQ(view.accessibleName(), QStringLiteral("Search location: ") + path + QStringLiteral(", saved scan"));
    EXPECT_EQ(view.shownPath(), QStringLiteral("~/<b>x<b> & y"));
    EXPECT_EQ(view.name(), QStringLiteral("<b>x<b> & y"));
    EXPECT_TRUE(view.toolTip().contains(QStringLiteral("&lt;b&gt;x&lt;b&gt; &amp; y")));
    view.setSaved(false);
    EXPECT_EQ(view.accessibleName(), QStringLiteral("Search location: ") + path);
    EXPECT_TRUE(view.findChildren<QWidget*>().isEmpty()) << "painted: one element, no children";
}

} // namespace
} // namespace ambertrove
