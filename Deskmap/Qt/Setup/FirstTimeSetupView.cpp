#include "FirstTimeSetupView.hpp"

#include "Deskmap/Qt/Bridge/ViewModelBridge.hpp"
#include "Deskmap/Qt/Provider/ProviderEditor.hpp"
#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "Deskmap/Qt/Widgets/Controls.hpp"
#include "Deskmap/Qt/Widgets/Divider.hpp"
#include "Deskmap/Qt/Widgets/StatusSymbol.hpp"
#include "SetupBanner.hpp"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace deskmap::qt {

using Controls::button;
using Controls::row;

namespace {

QString stepLine(FirstTimeSetupStep step) {
    return ViewTexts::text(texts::setupStepLine)
        .arg(number(step))
        .arg(allFirstTimeSetupSteps.size());
}

// Grouped controls on a faint rounded background.
class Card final : public QWidget {
public:
    explicit Card(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Styling::cardFill(palette()));
        painter.drawRoundedRect(QRectF(rect()), 14, 14);
    }
};

// "<mark> <text>" in the headline font and green: a permission granted.
QWidget* grantedLabel(const QString& text, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* symbol = new StatusSymbol(row);
    symbol->setDone(true);
    auto* label = new QLabel(text, row);
    label->setAccessibleName(text);
    label->setFont(Styling::headlineFont(label->font()));
    auto palette = label->palette();
    palette.setColor(QPalette::WindowText, Styling::successColour(palette));
    label->setPalette(palette);
    layout->addWidget(symbol);
    layout->addWidget(label);
    layout->addStretch(1);
    return row;
}

QLabel* explanation(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    Styling::makeSecondary(label);
    return label;
}

} // namespace

FirstTimeSetupView::FirstTimeSetupView(std::shared_ptr<DeskmapViewModel> model,
                                       FirstTimeSetupStep step, std::function<void()> onFinish,
                                       QWidget* parent)
    : QWidget(parent), model_(std::move(model)), step_(step), onFinish_(std::move(onFinish)),
      bridge_(new ViewModelBridge(model_, this)) {
    setFixedSize(600, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    banner_ = new SetupBanner(this);
    layout->addWidget(banner_);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, static_cast<int>(allFirstTimeSetupSteps.size()));
    progress_->setAccessibleName(ViewTexts::text(texts::setupProgress));
    progress_->setFormat(ViewTexts::text(texts::setupProgressFormat));
    progress_->setTextVisible(false); // the banner shows the step line
    progress_->setFixedHeight(8);
    auto* progressArea = new QWidget(this);
    auto* progressLayout = new QVBoxLayout(progressArea);
    progressLayout->setContentsMargins(24, 14, 24, 14);
    progressLayout->addWidget(progress_);
    layout->addWidget(progressArea);
    layout->addWidget(new Divider(this));

    auto* stepArea = new QWidget(this);
    auto* stepLayout = new QVBoxLayout(stepArea);
    stepLayout->setContentsMargins(32, 32, 32, 32);
    stepLayout->setSpacing(18);
    auto* heading = new QWidget(stepArea);
    auto* headingLayout = new QVBoxLayout(heading);
    headingLayout->setContentsMargins(0, 0, 0, 0);
    headingLayout->setSpacing(4);
    title_ = new QLabel(heading);
    title_->setFont(Styling::largeTitleFont(title_->font()));
    subtitle_ = new QLabel(heading);
    subtitle_->setFont(Styling::title3Font(subtitle_->font()));
    subtitle_->setWordWrap(true);
    Styling::makeSecondary(subtitle_);
    headingLayout->addWidget(title_);
    headingLayout->addWidget(subtitle_);
    stepLayout->addWidget(heading);
    steps_ = new QStackedWidget(stepArea);
    steps_->addWidget(buildProviderStep());
    steps_->addWidget(buildWindowTitleAccessStep());
    steps_->addWidget(buildSpaceSwitchingStep());
    steps_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    stepLayout->addWidget(steps_);
    message_ = Styling::calloutLabel({}, stepArea);
    Styling::makeSecondary(message_);
    stepLayout->addWidget(message_);
    stepLayout->addStretch(1);
    layout->addWidget(stepArea, 1);

    layout->addWidget(new Divider(this));
    layout->addWidget(buildNavigation());

    connect(bridge_, &ViewModelBridge::changed, this, [this] { render(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && isVisible()) {
                    refreshStatuses();
                }
            });
    render();
}

FirstTimeSetupView::~FirstTimeSetupView() = default;

QWidget* FirstTimeSetupView::buildProviderStep() {
    auto* page = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(page);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(14);
    pageLayout->addWidget(card);
    pageLayout->addStretch(1);

    editor_ =
        new ProviderEditor(model_, {ProviderEditorOptions::Layout::compact, false, true}, card);
    layout->addWidget(editor_);
    return page;
}

QWidget* FirstTimeSetupView::buildWindowTitleAccessStep() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    titleAccessExplanation_ =
        explanation(ViewTexts::text(texts::titleAccessExplanationSetup), page);
    titleAccessDefaultText_ = titleAccessExplanation_->text();
    layout->addWidget(titleAccessExplanation_);
    titleAccessGranted_ = grantedLabel(ViewTexts::text(texts::titleAccessAllowed), page);
    layout->addWidget(titleAccessGranted_);
    auto* allow = button(ViewTexts::text(texts::allowTitleAccess), page);
    connect(allow, &QPushButton::clicked, this, [this] { model_->requestWindowTitleAccess(); });
    auto* open = button(ViewTexts::text(texts::openDesktopSettings), page,
                        ViewTexts::text(texts::openTitleAccessSettings));
    connect(open, &QPushButton::clicked, this, [this] { model_->openWindowTitleAccessSettings(); });
    titleAccessSettingsButton_ = open;
    titleAccessButtons_ = row(page, {allow, open});
    layout->addWidget(titleAccessButtons_);
    layout->addStretch(1);
    return page;
}

QWidget* FirstTimeSetupView::buildSpaceSwitchingStep() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(explanation(ViewTexts::text(texts::switchingExplanationOptional), page));
    switchingGranted_ = grantedLabel(ViewTexts::text(texts::switchingAllowed), page);
    layout->addWidget(switchingGranted_);
    auto* allow = button(ViewTexts::text(texts::allowSwitching), page);
    connect(allow, &QPushButton::clicked, this,
            [this] { model_->requestSpaceSwitchAccessibility(); });
    auto* open = button(ViewTexts::text(texts::openDesktopSettings), page,
                        ViewTexts::text(texts::openSwitchingSettings));
    connect(open, &QPushButton::clicked, this,
            [this] { model_->openSpaceSwitchAccessibilitySettings(); });
    switchingButtons_ = row(page, {allow, open});
    layout->addWidget(switchingButtons_);
    layout->addStretch(1);
    return page;
}

QWidget* FirstTimeSetupView::buildNavigation() {
    auto* navigation = new QWidget(this);
    auto* layout = new QHBoxLayout(navigation);
    layout->setContentsMargins(24, 18, 24, 18);
    back_ = button(ViewTexts::text(texts::back), navigation);
    connect(back_, &QPushButton::clicked, this, [this] { moveBack(); });
    continue_ = button(ViewTexts::text(texts::continueSetup), navigation);
    continue_->setDefault(true);
    connect(continue_, &QPushButton::clicked, this, [this] { moveForward(); });
    finish_ = button(ViewTexts::text(texts::finishSetup), navigation);
    finish_->setDefault(true);
    connect(finish_, &QPushButton::clicked, this, [this] { finish(); });
    layout->addWidget(back_);
    layout->addStretch(1);
    layout->addWidget(continue_);
    layout->addWidget(finish_);
    return navigation;
}

bool FirstTimeSetupView::canContinue() const {
    return qt::canContinue(step_, model_->firstTimeSetupReadiness());
}

void FirstTimeSetupView::moveForward() {
    if (!canContinue()) {
        return;
    }
    step_ = static_cast<FirstTimeSetupStep>(static_cast<int>(step_) + 1);
    render();
}

void FirstTimeSetupView::moveBack() {
    if (const auto before = previous(step_)) {
        step_ = *before;
        render();
    }
}

void FirstTimeSetupView::saveCloudKey() {
    editor_->saveKey();
}

void FirstTimeSetupView::finish() {
    if (!model_->firstTimeSetupReadiness().isComplete()) {
        return;
    }
    model_->completeFirstTimeSetup();
    if (onFinish_) {
        onFinish_();
    }
}

void FirstTimeSetupView::render() {
    const auto& model = *model_;
    const auto readiness = model.firstTimeSetupReadiness();
    banner_->setStepLine(stepLine(step_));
    progress_->setValue(number(step_));
    progress_->setAccessibleDescription(stepLine(step_));
    title_->setText(ViewTexts::text(title(step_)));
    subtitle_->setText(ViewTexts::text(subtitle(step_)));
    steps_->setCurrentIndex(static_cast<int>(step_));
    // Only the shown page counts towards the height.
    for (int index = 0; index < steps_->count(); ++index) {
        steps_->widget(index)->setSizePolicy(QSizePolicy::Preferred, index == steps_->currentIndex()
                                                                         ? QSizePolicy::Preferred
                                                                         : QSizePolicy::Ignored);
    }

    titleAccessGranted_->setVisible(model.windowTitleAccessGranted());
    titleAccessButtons_->setVisible(!model.windowTitleAccessGranted());
    // Where the desktop has its own way (GNOME's extension), it replaces
    // the permission text, and there is no settings page to open.
    const auto& advice = model.windowTitleAccessAdvice();
    titleAccessExplanation_->setText(advice ? ViewTexts::windowTitleAccessAdvice(*advice)
                                            : titleAccessDefaultText_);
    titleAccessSettingsButton_->setVisible(!advice);
    switchingGranted_->setVisible(model.spaceSwitchAccessibilityGranted());
    switchingButtons_->setVisible(!model.spaceSwitchAccessibilityGranted());

    const auto& message = model.settingsMessage();
    message_->setVisible(message.has_value());
    message_->setText(message ? ViewTexts::text(*message) : QString());
    message_->setAccessibleName(ViewTexts::text(texts::setupStatusPrefix) + message_->text());

    const bool last = step_ == FirstTimeSetupStep::spaceSwitching;
    back_->setVisible(step_ != FirstTimeSetupStep::provider);
    continue_->setVisible(!last);
    continue_->setEnabled(canContinue());
    finish_->setVisible(last);
    finish_->setEnabled(readiness.isComplete());
}

void FirstTimeSetupView::refreshStatuses() {
    model_->refreshWindowTitleAccessStatus();
    model_->refreshSpaceSwitchAccessibilityStatus();
    model_->refreshSavedKeyStatus();
    model_->verifyInstalledClient();
}

void FirstTimeSetupView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        refreshStatuses();
    }
}

void FirstTimeSetupView::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

void FirstTimeSetupView::keyPressEvent(QKeyEvent* event) {
    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Return in the key field saves the key; elsewhere it is the default
    // button, and does nothing while that is disabled.
    if (!returnKey || editor_->keyFieldHasFocus()) {
        QWidget::keyPressEvent(event);
        return;
    }
    auto* defaultButton = step_ == FirstTimeSetupStep::spaceSwitching ? finish_ : continue_;
    if (defaultButton->isEnabled()) {
        defaultButton->click();
    }
    event->accept();
}

} // namespace deskmap::qt
