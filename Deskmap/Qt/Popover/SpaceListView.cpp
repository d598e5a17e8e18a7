#include "SpaceListView.hpp"

#include "Deskmap/Qt/Bridge/ViewModelBridge.hpp"
#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "Deskmap/Qt/Widgets/BusyIndicator.hpp"
#include "Deskmap/Qt/Widgets/Divider.hpp"
#include "RelativeTime.hpp"
#include "SpaceRow.hpp"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace deskmap::qt {

namespace {

namespace Presentation = SpaceListPresentation;

QColor failureColour(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5 ? QColor(0xff, 0x6b, 0x68)
                                                              : QColor(0xc9, 0x2a, 0x2a);
}

QPushButton* footerButton(const QString& text, const QString& name, const QKeySequence& keys,
                          QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(name);
    button->setShortcut(keys);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// The status line as a button while setup is incomplete: the same wrapped
// text, and a click opens the setup wizard.
class StatusButton final : public QAbstractButton {
public:
    explicit StatusButton(QWidget* parent) : QAbstractButton(parent), text_(new QLabel(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(text_);
        text_->setTextFormat(Qt::PlainText);
        text_->setWordWrap(true);
        text_->setAttribute(Qt::WA_TransparentForMouseEvents);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    QLabel* label() const { return text_; }
    QSize sizeHint() const override { return layout()->sizeHint(); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return layout()->totalHeightForWidth(width); }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    QLabel* text_;
};

} // namespace

SpaceListView::SpaceListView(std::shared_ptr<DeskmapViewModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), bridge_(new ViewModelBridge(model_, this)),
      relativeTime_([](std::chrono::system_clock::time_point then) {
          return RelativeTime::describe(then, std::chrono::system_clock::now());
      }) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(18, 14, 18, 14);
    auto* title = new QLabel(ViewTexts::text(texts::appName), header);
    title->setFont(Styling::font(title->font(), 1.4, QFont::Bold));
    headerLayout->addWidget(title);
    headerLayout->addStretch(1);
    // What was typed to find rows; it shows once typing starts.
    filterField_ = new QLineEdit(header);
    filterField_->setReadOnly(true);
    filterField_->setFocusPolicy(Qt::NoFocus);
    filterField_->setAccessibleName(ViewTexts::text(texts::findSpaces));
    filterField_->setMaximumWidth(180);
    filterField_->setVisible(false);
    headerLayout->addWidget(filterField_);
    refreshing_ = new BusyIndicator(header);
    refreshing_->setAccessibleName(ViewTexts::text(texts::refreshingSpaces));
    headerLayout->addWidget(refreshing_);
    layout->addWidget(header);
    layout->addWidget(new Divider(this));

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setMinimumWidth(380);
    scroll_->setFocusPolicy(Qt::NoFocus);
    listContent_ = new QWidget(scroll_);
    listLayout_ = new QVBoxLayout(listContent_);
    listLayout_->setContentsMargins(12, 10, 12, 10);
    listLayout_->setSpacing(4);
    scroll_->setWidget(listContent_);
    // Rows know their height only once laid out: fit the list again then.
    listContent_->installEventFilter(this);
    layout->addWidget(scroll_);
    layout->addWidget(new Divider(this));

    auto* status = new QWidget(this);
    auto* statusLayout = new QVBoxLayout(status);
    statusLayout->setContentsMargins(14, 8, 14, 0);
    statusText_ = new QLabel(status);
    statusText_->setTextFormat(Qt::PlainText);
    statusText_->setWordWrap(true);
    statusText_->setFont(Styling::font(statusText_->font(), 0.9));
    statusText_->setMaximumHeight(QFontMetrics(statusText_->font()).lineSpacing() * 3 + 2);
    auto* statusButton = new StatusButton(status);
    statusButton_ = statusButton;
    statusButtonText_ = statusButton->label();
    statusButtonText_->setFont(statusText_->font());
    statusButtonText_->setMaximumHeight(statusText_->maximumHeight());
    statusButton_->setAccessibleDescription(ViewTexts::text(texts::openSetup));
    statusButton_->setFocusPolicy(Qt::NoFocus);
    connect(statusButton_, &QAbstractButton::clicked, this, &SpaceListView::setupRequested);
    statusLayout->addWidget(statusText_);
    statusLayout->addWidget(statusButton_);
    layout->addWidget(status);

    auto* footer = new QWidget(this);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(12, 10, 12, 12);
    refreshNow_ =
        footerButton(ViewTexts::text(texts::refreshNow), ViewTexts::text(texts::refreshNow),
                     QKeySequence(Qt::CTRL | Qt::Key_R), footer);
    connect(refreshNow_, &QPushButton::clicked, this, [this] { model_->refreshNow(); });
    auto* settings =
        footerButton(ViewTexts::text(texts::settingsMenu), ViewTexts::text(texts::settingsMenuName),
                     QKeySequence(Qt::CTRL | Qt::Key_Comma), footer);
    connect(settings, &QPushButton::clicked, this, &SpaceListView::settingsRequested);
    auto* quit = footerButton(ViewTexts::text(texts::quit), ViewTexts::text(texts::quit),
                              QKeySequence(Qt::CTRL | Qt::Key_Q), footer);
    connect(quit, &QPushButton::clicked, this, &SpaceListView::quitRequested);
    footerLayout->addWidget(refreshNow_);
    footerLayout->addWidget(settings);
    footerLayout->addStretch(1);
    footerLayout->addWidget(quit);
    layout->addWidget(footer);

    numberPause_.setSingleShot(true);
    numberPause_.setTimerType(Qt::PreciseTimer);
    connect(&numberPause_, &QTimer::timeout, this, [this] {
        if (const auto index = numbers_.commit()) {
            switchToNumber(*index);
        }
    });

    // Relative times ("5 minutes ago") stay current while the list shows.
    statusClock_.setInterval(std::chrono::seconds(30));
    connect(&statusClock_, &QTimer::timeout, this, [this] { renderStatus(); });

    connect(bridge_, &ViewModelBridge::changed, this, [this](ViewModelProperty property) {
        if (property == ViewModelProperty::snapshot) {
            rebuildRows();
            renderHeader();
        }
        renderStatus();
    });
    rebuildRows();
    renderHeader();
    renderStatus();
}

SpaceListView::~SpaceListView() = default;

void SpaceListView::setRelativeTimeFormatter(Presentation::RelativeTimeFormatter formatter) {
    relativeTime_ = std::move(formatter);
    renderStatus();
}

void SpaceListView::setAvailableScreenHeight(int height) {
    availableScreenHeight_ = height;
    fitListHeight();
}

int SpaceListView::listHeight() const {
    return scroll_->height();
}

void SpaceListView::rebuildRows() {
    const auto& snapshot = model_->snapshot();
    if (snapshot.inventory == shownInventory_ && snapshot.summaries == shownSummaries_ &&
        snapshot.summaryAssociation == shownAssociation_ && !rows_.empty()) {
        return; // nothing a row shows has changed: keep hover and selection
    }
    shownInventory_ = snapshot.inventory;
    shownSummaries_ = snapshot.summaries;
    shownAssociation_ = snapshot.summaryAssociation;
    const std::int64_t selectedIndex =
        selected_ >= 0 && selected_ < static_cast<int>(rows_.size())
            ? rows_[static_cast<std::size_t>(selected_)]->space().index
            : -1;

    while (auto* item = listLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    rows_.clear();
    headers_.clear();
    selected_ = -1;
    if (!snapshot.inventory) {
        auto* collecting = new QLabel(ViewTexts::text(texts::collectingSpaces), listContent_);
        collecting->setContentsMargins(8, 8, 8, 8);
        Styling::makeSecondary(collecting);
        listLayout_->addWidget(collecting);
    } else {
        const auto& spaces = snapshot.inventory->spaces;
        for (const auto& group : Presentation::displayGroups(*snapshot.inventory, snapshot.names)) {
            if (group.header) {
                auto* header = new QLabel(ViewTexts::text(*group.header), listContent_);
                header->setTextFormat(Qt::PlainText);
                header->setAccessibleName(header->text());
                header->setFont(Styling::font(header->font(), 0.85, QFont::DemiBold));
                header->setContentsMargins(8, headers_.empty() ? 2 : 10, 8, 2);
                Styling::makeSecondary(header);
                listLayout_->addWidget(header);
                headers_.push_back({header, {}});
            }
            for (const auto position : group.spaces) {
                const auto& space = spaces[position];
                auto* row =
                    new SpaceRow(space, Presentation::rowContent(space, snapshot), listContent_);
                connect(row, &SpaceRow::clicked, this, [this, row] { switchTo(row->space()); });
                if (space.index == selectedIndex) {
                    selected_ = static_cast<int>(rows_.size());
                    row->setSelected(true);
                }
                if (group.header) {
                    headers_.back().second.push_back(rows_.size());
                }
                rows_.push_back(row);
                listLayout_->addWidget(row);
            }
        }
    }
    if (!filter_.isEmpty()) {
        applyFilter(false); // the selection stays on its Space while it is shown
    }
    listLayout_->addStretch(1);
    fitListHeight();
}

void SpaceListView::renderHeader() {
    const bool refreshing = model_->snapshot().status == RefreshSnapshot::Status::refreshing;
    refreshing_->setVisible(refreshing);
    refreshNow_->setEnabled(!refreshing);
}

void SpaceListView::renderStatus() {
    const auto status = Presentation::status(*model_, relativeTime_);
    const auto text = ViewTexts::text(status.text);
    const bool complete = Presentation::setupIsComplete(*model_);
    statusText_->setVisible(complete);
    statusButton_->setVisible(!complete);
    // From the view's palette: the labels' own already carry the last colour.
    const auto colour =
        status.isFailure ? failureColour(palette()) : Styling::secondaryText(palette());
    for (QWidget* widget :
         {static_cast<QWidget*>(statusText_), static_cast<QWidget*>(statusButtonText_)}) {
        auto palette = widget->palette();
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::ButtonText, colour);
        widget->setPalette(palette);
    }
    statusText_->setAccessibleName(ViewTexts::text(texts::statusPrefix) + text);
    statusButton_->setAccessibleName(ViewTexts::text(texts::statusPrefix) + text);
    statusText_->setText(text);
    statusButtonText_->setText(text);
    fitListHeight();
}

void SpaceListView::fitListHeight() {
    // Everything but the list (with the spacing around it): its height
    // decides how much of the screen the list may take.
    // Laid out, that is what the window shows beside the list; before, what
    // the layout asks for.
    const bool laidOut = isVisible() && scroll_->height() > 0 && height() > scroll_->height();
    const int chrome = laidOut ? height() - scroll_->height()
                               : std::max(layout()->sizeHint().height() - scroll_->height(), 0);
    const int width = std::max(scroll_->viewport()->width(), 380);
    const int content = listLayout_->hasHeightForWidth() ? listLayout_->totalHeightForWidth(width)
                                                         : listContent_->sizeHint().height();
    listHeight_ =
        static_cast<int>(Presentation::listHeight(availableScreenHeight_, chrome, content));
    scroll_->setFixedHeight(listHeight_);
    // The window holding the list grows and shrinks with it.
    if (isVisible()) {
        window()->adjustSize();
    }
}

void SpaceListView::select(int row) {
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        rows_[index]->setSelected(static_cast<int>(index) == row);
    }
    selected_ = row;
    if (row >= 0 && row < static_cast<int>(rows_.size())) {
        scroll_->ensureWidgetVisible(rows_[static_cast<std::size_t>(row)], 0, 8);
    }
}

void SpaceListView::moveSelection(int step) {
    std::vector<int> shown;
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        if (!rows_[index]->isHidden()) {
            shown.push_back(static_cast<int>(index));
        }
    }
    if (shown.empty()) {
        return;
    }
    const auto at = std::find(shown.begin(), shown.end(), selected_);
    if (at == shown.end()) {
        select(step > 0 ? shown.front() : shown.back());
        return;
    }
    const auto next = std::clamp<std::ptrdiff_t>((at - shown.begin()) + step, 0,
                                                 static_cast<std::ptrdiff_t>(shown.size()) - 1);
    select(shown[static_cast<std::size_t>(next)]);
}

void SpaceListView::switchTo(const SpaceInventory& space) {
    QPointer<SpaceListView> self(this);
    model_->switchToSpace(space, [self](bool started) {
        if (self && started) {
            // A list that stays open (the window form) starts afresh.
            self->cancelTyping();
            if (!self->filter_.isEmpty()) {
                self->setFilter({});
            }
            Q_EMIT self->switchStarted();
        }
    });
}

void SpaceListView::switchToNumber(std::int64_t index) {
    for (auto* row : rows_) {
        if (row->space().index == index) {
            switchTo(row->space());
            return;
        }
    }
}

void SpaceListView::typeDigit(int digit) {
    const auto spaces = rows_.empty() ? 0 : rows_.back()->space().index;
    const auto now = SpaceNumberEntry::Clock::now();
    const auto outcome = numbers_.digit(digit, now, spaces);
    numberPause_.stop();
    if (outcome.waiting) {
        numberPause_.start(
            std::chrono::duration_cast<std::chrono::milliseconds>(*numbers_.deadline() - now));
    }
    if (outcome.space) {
        switchToNumber(*outcome.space);
    }
}

void SpaceListView::setFilter(const QString& filter) {
    filter_ = filter;
    filterField_->setText(filter_);
    filterField_->setVisible(!filter_.isEmpty());
    applyFilter(true);
}

void SpaceListView::cancelTyping() {
    numbers_.reset();
    numberPause_.stop();
}

void SpaceListView::applyFilter(bool selectFirst) {
    const auto query = filter_.toStdString();
    for (auto* row : rows_) {
        row->setVisible(Presentation::matches(row->space(), row->content(), query));
    }
    for (const auto& [header, positions] : headers_) {
        header->setVisible(std::any_of(positions.begin(), positions.end(),
                                       [&](std::size_t at) { return !rows_[at]->isHidden(); }));
    }
    if (filter_.isEmpty()) {
        return;
    }
    const bool selectedShown = selected_ >= 0 && selected_ < static_cast<int>(rows_.size()) &&
                               !rows_[static_cast<std::size_t>(selected_)]->isHidden();
    if (!selectFirst && selectedShown) {
        return;
    }
    const auto first = std::find_if(rows_.begin(), rows_.end(),
                                    [](const SpaceRow* row) { return !row->isHidden(); });
    select(first == rows_.end() ? -1 : static_cast<int>(first - rows_.begin()));
}

bool SpaceListView::handleKey(int key, const QString& text) {
    // A first digit waiting for a second: Return takes it as it is, any
    // other key that is not a digit drops it.
    const bool digit = filter_.isEmpty() && key >= Qt::Key_0 && key <= Qt::Key_9;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        numberPause_.stop();
        if (const auto index = numbers_.commit()) {
            switchToNumber(*index);
            return true;
        }
    } else if (!digit) {
        cancelTyping();
    }
    switch (key) {
    case Qt::Key_Down:
        moveSelection(1);
        return true;
    case Qt::Key_Up:
        moveSelection(-1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selected_ >= 0 && selected_ < static_cast<int>(rows_.size())) {
            switchTo(rows_[static_cast<std::size_t>(selected_)]->space());
        }
        return true;
    case Qt::Key_Escape:
        if (filter_.isEmpty()) {
            return false; // the window's: it closes
        }
        setFilter({});
        return true;
    case Qt::Key_Backspace:
        if (!filter_.isEmpty()) {
            setFilter(filter_.chopped(1));
        }
        return true;
    default:
        break;
    }
    if (digit) {
        typeDigit(key - Qt::Key_0);
        return true;
    }
    const bool printable = !text.isEmpty() && text.front().isPrint();
    if (printable && (!filter_.isEmpty() || !text.front().isSpace())) {
        setFilter(filter_ + text);
        return true;
    }
    return false;
}

void SpaceListView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier) ||
        !handleKey(event->key(), event->text())) {
        QWidget::keyPressEvent(event);
    }
}

bool SpaceListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listContent_ && event->type() == QEvent::LayoutRequest) {
        QMetaObject::invokeMethod(
            this, [this] { fitListHeight(); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void SpaceListView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        renderStatus(); // its colour derives from the palette
    }
}

void SpaceListView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    statusClock_.start();
    renderStatus();
}

void SpaceListView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    statusClock_.stop();
    // The next opening starts afresh.
    cancelTyping();
    if (!filter_.isEmpty()) {
        setFilter({});
    }
}

} // namespace deskmap::qt
