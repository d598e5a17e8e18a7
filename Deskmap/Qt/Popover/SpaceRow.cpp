#include "SpaceRow.hpp"

#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

namespace deskmap::qt {

namespace {

QColor withAlpha(QColor colour, double alpha) {
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

// The Space's number on a filled circle.
class IndexBadge final : public QWidget {
public:
    IndexBadge(std::int64_t index, bool current, QWidget* parent)
        : QWidget(parent), text_(QString::number(index)), current_(current) {
        setFixedSize(30, 30);
        setAccessibleName(ViewTexts::text(texts::spaceRowName)
                              .arg(index)
                              .arg(current ? ViewTexts::text(texts::spaceRowCurrent) : QString()));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(current_ ? palette().color(QPalette::Highlight)
                                  : withAlpha(Styling::secondaryText(palette()), 0.16));
        painter.drawEllipse(QRectF(rect()));
        auto font = Styling::font(this->font(), 1.0, QFont::DemiBold);
        font.setPixelSize(text_.size() > 2 ? 11 : 14);
        painter.setFont(font);
        painter.setPen(current_ ? palette().color(QPalette::HighlightedText)
                                : palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter, text_);
    }

private:
    QString text_;
    bool current_;
};

// Short text on a tinted capsule.
class Capsule : public QLabel {
public:
    Capsule(QWidget* parent, QColor tint) : QLabel(parent), tint_(tint) {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint_);
        const qreal radius = height() / 2.0;
        painter.drawRoundedRect(QRectF(rect()), radius, radius);
        painter.end();
        QLabel::paintEvent(event);
    }

private:
    QColor tint_;
};

// "STALE" on an orange-tinted capsule.
class StaleBadge final : public Capsule {
public:
    explicit StaleBadge(QWidget* parent)
        : Capsule(parent, QColor(255, 149, 0, static_cast<int>(0.15 * 255))) {
        setText(ViewTexts::text(texts::staleBadge));
        setAccessibleName(ViewTexts::text(texts::staleBadgeName));
        setFont(Styling::font(font(), 0.78, QFont::Bold));
        setContentsMargins(5, 2, 5, 2);
    }
};

// The desktop's name for the Space on a neutral capsule, apart from the
// label a model or the window list gave.
class NameCapsule final : public Capsule {
public:
    NameCapsule(const QString& name, QWidget* parent)
        : Capsule(parent, withAlpha(Styling::secondaryText(parent->palette()), 0.16)) {
        setFont(Styling::font(font(), 0.95, QFont::DemiBold));
        // A long name gives way to the label.
        setText(QFontMetrics(font()).elidedText(name, Qt::ElideRight, 120));
        setAccessibleName(ViewTexts::text(texts::rowName));
        setAccessibleDescription(name);
        setContentsMargins(7, 1, 7, 1);
    }
};

} // namespace

SpaceRow::SpaceRow(const SpaceInventory& space, const SpaceListPresentation::RowContent& content,
                   QWidget* parent)
    : QAbstractButton(parent), space_(space), content_(content) {
    setAccessibleName(ViewTexts::text(content.label));
    setAccessibleDescription(space.isCurrent ? ViewTexts::text(texts::currentSpace)
                                             : ViewTexts::text(texts::switchToThisSpace));
    setFocusPolicy(Qt::NoFocus); // the list moves a selection instead
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(12);
    row->addWidget(new IndexBadge(space.index, space.isCurrent, this), 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout();
    texts->setContentsMargins(0, 3, 0, 0);
    texts->setSpacing(5);
    auto* heading = new QHBoxLayout();
    heading->setSpacing(7);
    if (content.name) {
        heading->addWidget(new NameCapsule(ViewTexts::text(*content.name), this), 0,
                           Qt::AlignVCenter);
    }
    auto* label = new QLabel(ViewTexts::text(content.label), this);
    label->setTextFormat(Qt::PlainText); // titles and model answers are data, never markup
    label->setWordWrap(true);            // a long label takes a second line, not the badge's place
    label->setFont(Styling::font(font(), 1.2, QFont::DemiBold));
    label->setAccessibleName(ViewTexts::text(texts::rowLabel));
    label->setAccessibleDescription(label->text());
    // As wide as its text, so the STALE mark follows it; a label too long
    // for the row wraps instead of pushing the mark out of view.
    const int natural = QFontMetrics(label->font()).horizontalAdvance(label->text()) + 2;
    label->setMinimumWidth(std::min(natural, 120));
    label->setMaximumWidth(natural);
    heading->addWidget(label, 1, Qt::AlignBaseline);
    if (content.summaryIsStale) {
        heading->addWidget(new StaleBadge(this), 0, Qt::AlignTop);
    }
    heading->addStretch(0);
    texts->addLayout(heading);

    auto* summary = new QLabel(ViewTexts::text(content.summary), this);
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);
    summary->setFont(Styling::font(font(), 1.05));
    summary->setAccessibleName(ViewTexts::text(texts::rowSummary));
    summary->setAccessibleDescription(summary->text());
    Styling::makeSecondary(summary);
    // Two lines at most.
    summary->setMaximumHeight(QFontMetrics(summary->font()).lineSpacing() * 2 + 2);
    texts->addWidget(summary);
    row->addLayout(texts, 1);

    for (auto* child : findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents); // the row takes every click
    }
}

void SpaceRow::setSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        update();
    }
}

QSize SpaceRow::sizeHint() const {
    return layout()->sizeHint();
}

int SpaceRow::heightForWidth(int width) const {
    return layout()->totalHeightForWidth(width);
}

void SpaceRow::paintEvent(QPaintEvent*) {
    if (!hovering_ && !selected_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(palette().color(QPalette::WindowText), selected_ ? 0.10 : 0.07));
    painter.drawRoundedRect(QRectF(rect()), 9, 9);
}

void SpaceRow::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SpaceRow::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace deskmap::qt
