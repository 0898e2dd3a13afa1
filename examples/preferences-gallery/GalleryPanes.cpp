#include "GalleryPanes.h"

#include "Preferences/Container.h"
#include "VexoWidgets/TextStyles.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>

using quillmere::preferenceDescription;
using quillmere::Preferences::Container;
using quillmere::Preferences::Pane;
using quillmere::Preferences::PaneIdentifier;
using quillmere::Preferences::Section;

namespace gallery {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Gallery", text);
}

QIcon standardIcon(QStyle::StandardPixmap pixmap) {
    return QApplication::style()->standardIcon(pixmap);
}

QCheckBox* checkBox(const QString& text, bool checked) {
    auto* box = new QCheckBox(text);
    box->setChecked(checked);
    return box;
}

QComboBox* comboBox(const QStringList& items, int current) {
    auto* box = new QComboBox;
    box->addItems(items);
    box->setCurrentIndex(current);
    return box;
}

} // namespace

Pane generalPane() {
    return Pane(
        PaneIdentifier(QStringLiteral("general")), tr("General"), standardIcon(QStyle::SP_ComputerIcon), [] {
            auto* folder = new QLineEdit(QStringLiteral("~/Library/Scripts/Capture One"));
            folder->setAccessibleName(tr("Scripts folder"));
            return new Container(
                420,
                {
                    Section(tr("Startup:"),
                            {checkBox(tr("Open the main window at login"), true),
                             checkBox(tr("Show the sidebar"), true)},
                            {.bottomDivider = true}),
                    Section(tr("Updates:"),
                            {checkBox(tr("Check for updates automatically"), true),
                             comboBox({tr("Daily"), tr("Weekly"), tr("Monthly")}, 1),
                             preferenceDescription(tr("New versions are looked for in the background and "
                                                      "offered when you next open the application."))},
                            {.bottomDivider = true}),
                    Section(tr("Scripts folder:"), {folder}),
                });
        });
}

Pane appearancePane() {
    return Pane(PaneIdentifier(QStringLiteral("appearance")), tr("Appearance"),
                standardIcon(QStyle::SP_DesktopIcon), [] {
                    auto* system = new QRadioButton(tr("Match the system"));
                    auto* light = new QRadioButton(tr("Light"));
                    auto* dark = new QRadioButton(tr("Dark"));
                    system->setChecked(true);
                    auto* group = new QButtonGroup(system);
                    for (QRadioButton* button : {system, light, dark}) {
                        group->addButton(button);
                    }
                    auto* size = new QSlider(Qt::Horizontal);
                    size->setRange(9, 18);
                    size->setValue(13);
                    size->setMinimumWidth(180);
                    size->setAccessibleName(tr("Text size"));
                    return new Container(
                        380, {
                                 Section(tr("Theme:"), {system, light, dark}, {.bottomDivider = true}),
                                 Section(tr("Text size:"), {size}),
                                 Section(tr("Sidebar icons:"),
                                         {comboBox({tr("Small"), tr("Medium"), tr("Large")}, 1)}),
                             });
                });
}

Pane advancedPane(std::function<void()> pauseInput) {
    return Pane(PaneIdentifier(QStringLiteral("advanced")), tr("Advanced"),
                standardIcon(QStyle::SP_DriveHDIcon), [pauseInput = std::move(pauseInput)] {
                    auto* timeout = new QSpinBox;
                    timeout->setRange(1, 120);
                    timeout->setValue(30);
                    timeout->setSuffix(tr(" s"));
                    timeout->setAccessibleName(tr("Script time limit"));
                    auto* pause = new QPushButton(tr("Pause Input for 3 Seconds"));
                    QObject::connect(pause, &QPushButton::clicked, pause, pauseInput);
                    return new Container(
                        460, 150,
                        {
                            Section(tr("Logging:"),
                                    {comboBox({tr("Errors only"), tr("Warnings"), tr("Everything")}, 1),
                                     preferenceDescription(tr("Lines go to the system log."))},
                                    {.bottomDivider = true}),
                            Section(tr("Script time limit:"), {timeout}, {.bottomDivider = true}),
                            Section(tr("Input:"),
                                    {pause, preferenceDescription(tr("Clicks and keys in this window are "
                                                                     "ignored while input is paused."))}),
                        });
                });
}

} // namespace gallery
