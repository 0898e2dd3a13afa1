#include "Preferences/Container.h"
#include "Preferences/SectionLayout.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>

using namespace preferencestest;
using quillmere::Preferences::Container;
using quillmere::Preferences::Section;
using quillmere::Preferences::VerticalAlignment;

namespace {

QWidget* fixed(int width, int height = 20) {
    auto* widget = new SizedView(QSize(width, height));
    widget->setFixedSize(width, height);
    return widget;
}

// The label column's width at least (0: none), and how far left of the label edge dividers start.
TEST(ContainerLayout, LinesUpLabelEdgesAndStartsDividersAtTheLabelColumn) {
    for (const auto& [minimumLabelWidth, dividerStartsLeftOfLabelEdge] :
         {std::pair{0.0, 120}, std::pair{150.0, 150}}) {
        SCOPED_TRACE(minimumLabelWidth);
        QWidget* labels[] = {fixed(60), fixed(120), fixed(90)};
        QWidget* contents[] = {fixed(100), fixed(140, 30), fixed(80)};
        Container container(
            400, minimumLabelWidth,
            {Section(labels[0], {contents[0]}, {.bottomDivider = true}),
             Section(labels[1], {contents[1]}, {.verticalAlignment = VerticalAlignment::center}),
             Section(labels[2], {contents[2]}, {.bottomDivider = true})});
        container.layout()->activate();

        const int edge = container.labelEdge();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(labels[i]->geometry().right() + 1, edge) << "label " << i;
            EXPECT_EQ(contents[i]->x(), edge + quillmere::Preferences::SectionLayout::kSpacing)
                << "content " << i;
        }
        // Only the first section's divider: the last section's is never drawn.
        ASSERT_EQ(container.dividers().size(), 1);
        const QFrame* divider = container.dividers().first();
        EXPECT_EQ(edge - divider->x(), dividerStartsLeftOfLabelEdge);
        EXPECT_EQ(divider->geometry(), QRect(30, divider->y(), 400, 20));
        EXPECT_GT(divider->y(), contents[0]->geometry().bottom());
        EXPECT_LT(divider->geometry().bottom(), contents[1]->y());
        // Centred: the 20-pixel label sits in the middle of the 30-pixel content.
        EXPECT_EQ(labels[1]->y() - contents[1]->y(), 5);
        EXPECT_EQ(container.size().width(), 460);
    }
}

TEST(ContainerLayout, WidensRatherThanCutALabelOrAControlShort) {
    QWidget* label = fixed(250);
    QWidget* control = fixed(120);
    Container container(300, {Section(label, {control})});
    container.layout()->activate();
    EXPECT_EQ(container.width(), 250 + quillmere::Preferences::SectionLayout::kSpacing + 120 + 60);
    EXPECT_EQ(control->geometry().right() + 1, container.width() - 30);
}

TEST(ContainerLayout, StacksASectionsContentOnItsLeadingEdge) {
    QWidget* top = fixed(100, 20);
    QWidget* expanding =
        new QLabel(QStringLiteral("A description that wraps when the column is narrow enough."));
    static_cast<QLabel*>(expanding)->setWordWrap(true);
    Container container(300, {Section(QStringLiteral("Stack:"), {top, expanding})});
    container.layout()->activate();
    EXPECT_EQ(expanding->x(), top->x());
    EXPECT_EQ(expanding->y(), top->geometry().bottom() + 1 + quillmere::Preferences::SectionLayout::kSpacing);
    // A wrapping text takes the rest of the column.
    EXPECT_EQ(expanding->geometry().right() + 1, 30 + 300);
}

} // namespace
