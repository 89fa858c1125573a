// The read-back channel of the test that drives the real program: off unless its variable asks, and its
// report names what the window shows.
#include "WindowTestSupport.hpp"

#include "WindowProbe.hpp"
#include "support/ScopedVariable.hpp"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdlib>

namespace ambertrove::test {
namespace {

TEST(WindowProbeSwitch, StartsOnlyWhenTheVariableSaysStdio) {
    ::unsetenv(WindowProbe::kVariable);
    EXPECT_FALSE(WindowProbe::asked());
    for (const char* value : {"", "1", "yes", "STDIO", "stdio "}) {
        const ScopedVariable variable(WindowProbe::kVariable, value);
        EXPECT_FALSE(WindowProbe::asked()) << '"' << value << '"';
    }
    const ScopedVariable variable(WindowProbe::kVariable, "stdio");
    EXPECT_TRUE(WindowProbe::asked());
}

class WindowProbeTest : public WindowTest {};

TEST_F(WindowProbeTest, ItsReportNamesTheSectionTheTabsAndTheScan) {
    ::unsetenv(WindowProbe::kVariable);
    makeModel();
    makeWindow();
    EXPECT_EQ(WindowProbe::startIfAsked(*model, *window), nullptr);
    finishScan(makeTree());
    const WindowProbe probe(*model, *window);

    const QByteArray line = probe.answer("state");
    ASSERT_TRUE(line.startsWith("probe-state {")) << line.left(40).toStdString();
    const QJsonObject state = QJsonDocument::fromJson(line.mid(12)).object();
    const QJsonObject shown = state["content"].toObject();
    EXPECT_EQ(shown["section"].toString(), QStringLiteral("Explore"));
    EXPECT_EQ(shown["title"].toString(), QStringLiteral("tree"));
    EXPECT_EQ(shown["counts"].toString(), QStringLiteral("·  4 files  ·  3 folders"));
    const QJsonObject m = state["model"].toObject();
    EXPECT_TRUE(m["hasScan"].toBool());
    EXPECT_FALSE(m["scanning"].toBool());
    EXPECT_EQ(m["rootPath"].toString(), QString::fromStdString(folder / "tree"));

    QStringList tabs;
    for (const QJsonValue& widget : state["widgets"].toArray())
        if (widget["class"] == "SectionTab")
            tabs.push_back(widget["text"].toString());
    EXPECT_EQ(tabs,
              (QStringList{"Explore", "Duplicates", "Applications", "Monitor", "Snapshots", "Cleanup"}));

    EXPECT_EQ(probe.answer("close the window"), QByteArray("probe-unknown close the window"));
}

} // namespace
} // namespace ambertrove::test
