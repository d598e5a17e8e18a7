#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"
#include "SpaceListPresentation.hpp"
#include "SpaceNumberEntry.hpp"

#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace deskmap::qt {

class BusyIndicator;
class SpaceRow;
class ViewModelBridge;

// The popover's content: a header, every Space of every display as a row,
// the status line and the footer. It reads the view model and calls its
// operations; what the popover window does is left to signals.
class SpaceListView : public QWidget {
    Q_OBJECT

public:
    explicit SpaceListView(std::shared_ptr<DeskmapViewModel> model, QWidget* parent = nullptr);
    ~SpaceListView() override;

    // The height of the usable area of the screen the popover is on; the
    // list keeps within it.
    void setAvailableScreenHeight(int height);
    int listHeight() const;

    // Typed text finds rows, Up/Down move the selection among the rows
    // shown, Return switches to it, Escape clears what was typed; digits
    // switch to that Space (from ten Spaces on, two digits may name one).
    // Usable from the window that holds this view; false when the key is
    // not the list's.
    bool handleKey(int key, const QString& text = {});

    // For tests: how relative times are written.
    void setRelativeTimeFormatter(SpaceListPresentation::RelativeTimeFormatter formatter);

Q_SIGNALS:
    // A switch started: the popover has done its job.
    void switchStarted();
    void settingsRequested();
    void setupRequested();
    void quitRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void rebuildRows();
    void renderStatus();
    void renderHeader();
    void fitListHeight();
    void select(int row);
    void moveSelection(int step);
    void switchTo(const SpaceInventory& space);
    void switchToNumber(std::int64_t index);
    void typeDigit(int digit);
    void setFilter(const QString& filter);
    // Shows the rows that what was typed finds, and the headers of their
    // displays; the selection goes to the first shown when `selectFirst` or
    // when its row is hidden.
    void applyFilter(bool selectFirst);
    // Drops a first digit that waits for a second.
    void cancelTyping();

    std::shared_ptr<DeskmapViewModel> model_;
    ViewModelBridge* bridge_;
    SpaceListPresentation::RelativeTimeFormatter relativeTime_;

    BusyIndicator* refreshing_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* listContent_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    std::vector<SpaceRow*> rows_;
    // Each display's header with the positions of its rows.
    std::vector<std::pair<QWidget*, std::vector<std::size_t>>> headers_;
    QLineEdit* filterField_ = nullptr;
    QString filter_;
    SpaceNumberEntry numbers_;
    QTimer numberPause_;
    QLabel* statusText_ = nullptr;
    QAbstractButton* statusButton_ = nullptr;
    QLabel* statusButtonText_ = nullptr;
    QPushButton* refreshNow_ = nullptr;
    QTimer statusClock_;

    int availableScreenHeight_ = 840;
    int listHeight_ = 0;
    int selected_ = -1;
    std::optional<Inventory> shownInventory_;
    std::optional<SummaryResult> shownSummaries_;
    RefreshSnapshot::SummaryAssociation shownAssociation_ =
        RefreshSnapshot::SummaryAssociation::none;
};

} // namespace deskmap::qt
