#pragma once

#include "core/platform/MetadataSearch.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace quillmere {

class WrappingLabel;

// The detail column while no copy is selected: the text "Please select a version of Capture One".
//
// When the search found no copy at all, it says beneath that text where it searched, whether that
// folder is missing or cannot be read, what it passed over there and why, and how to point
// Quillmere at another folder: an example command on a line of its own, in a fixed-width font at
// the size of body text (an underscore in a small caption font all but vanishes), which can be
// selected and copied. A button searches again.
class PlaceholderView final : public QWidget {
    Q_OBJECT

public:
    // At most this many passed-over entries are listed; the rest are counted.
    static constexpr int kListedSkippedEntries = 5;

    explicit PlaceholderView(QWidget* parent = nullptr);

    // Only the request to select a copy.
    void showSelectionPrompt();
    // The request, and why the list is empty: the folder searched, the failure that kept it from
    // being searched (success when it was), and what was passed over in it.
    void showNothingFound(const QString& folder, const brisquel::vexo::Result& folderFailure,
                          const QList<brisquel::SkippedEntry>& skipped);

    QLabel* promptLabel() const { return m_prompt; }
    WrappingLabel* detailsLabel() const { return m_details; }
    // The example command under the details.
    QLabel* commandLabel() const { return m_command; }
    QPushButton* searchAgainButton() const { return m_searchAgain; }

    // "Please select a version of Capture One", translated.
    static QString promptText();
    // The text under it for an empty list, which ends by introducing the example command.
    static QString nothingFoundText(const QString& folder, const brisquel::vexo::Result& folderFailure,
                                    const QList<brisquel::SkippedEntry>& skipped);
    // The command that starts Quillmere on another folder.
    static QString exampleCommand();

signals:
    void searchAgainRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    QLabel* m_prompt = nullptr;
    WrappingLabel* m_details = nullptr;
    QLabel* m_command = nullptr;
    QPushButton* m_searchAgain = nullptr;
};

} // namespace quillmere
