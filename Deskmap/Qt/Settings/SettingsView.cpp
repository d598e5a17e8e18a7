#include "SettingsView.hpp"

#include "Deskmap/Qt/Bridge/ViewModelBridge.hpp"
#include "Deskmap/Qt/Privacy/PrivacyRulesEditor.hpp"
#include "Deskmap/Qt/Provider/ProviderEditor.hpp"
#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "Deskmap/Qt/WhatIsSent/RequestPreviewView.hpp"
#include "Deskmap/Qt/Widgets/Controls.hpp"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace deskmap::qt {

using Controls::button;
using Controls::setValue;
using Controls::valueLabel;

namespace {

void showMessage(QLabel* label, const std::optional<std::string>& message, const QString& prefix) {
    label->setVisible(message.has_value());
    const auto text = message ? ViewTexts::text(*message) : QString();
    label->setText(text);
    label->setAccessibleName(prefix + text);
}

} // namespace

SettingsView::SettingsView(std::shared_ptr<DeskmapViewModel> model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(std::move(model)),
      bridge_(new ViewModelBridge(model_, this)) {
    setWindowTitle(ViewTexts::text(texts::settingsTitle));
    setFixedSize(500, 700);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Sections wrap their texts to the window's width; nothing scrolls sideways.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(14);
    buildGeneral(content);
    buildProvider(content);
    buildStatus(content);
    buildPermissions(content);
    buildPrivacy(content);
    layout->addStretch(1);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    connect(bridge_, &ViewModelBridge::changed, this, [this] { render(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && isVisible()) {
                    refreshStatuses();
                }
            });
    render();
}

SettingsView::~SettingsView() = default;

void SettingsView::buildGeneral(QWidget* content) {
    auto* section = new QGroupBox(ViewTexts::text(texts::general), content);
    auto* form = new QFormLayout(section);
    launchAtLoginToggle_ = new QCheckBox(ViewTexts::text(texts::openAtLogin), section);
    launchAtLoginToggle_->setAccessibleName(launchAtLoginToggle_->text());
    connect(launchAtLoginToggle_, &QCheckBox::clicked, this, [this](bool on) {
        model_->setLaunchAtLogin(on);
        // The click flipped the box; it must read as the status again, also
        // when a failed change left every published value as it was.
        render();
    });
    form->addRow(launchAtLoginToggle_);
    loginItemStatus_ = valueLabel(ViewTexts::text(texts::autostartStatus), section);
    form->addRow(ViewTexts::text(texts::autostartStatus), loginItemStatus_);
    approvalText_ = Styling::calloutLabel(ViewTexts::text(texts::autostartNeedsApproval), section);
    Styling::makeSecondary(approvalText_);
    form->addRow(approvalText_);
    openLoginItems_ = button(ViewTexts::text(texts::openAutostartSettings), section);
    connect(openLoginItems_, &QPushButton::clicked, this,
            [this] { model_->openLaunchAtLoginSettings(); });
    form->addRow(Controls::row(section, {openLoginItems_}));
    launchAtLoginMessage_ = Styling::calloutLabel({}, section);
    form->addRow(launchAtLoginMessage_);
    content->layout()->addWidget(section);
}

void SettingsView::buildProvider(QWidget* content) {
    auto* section = new QGroupBox(ViewTexts::text(texts::summaryProvider), content);
    auto* layout = new QVBoxLayout(section);
    editor_ = new ProviderEditor(model_, {ProviderEditorOptions::Layout::labelledRows, true, false},
                                 section);
    layout->addWidget(editor_);
    settingsMessage_ = Styling::calloutLabel({}, section);
    layout->addWidget(settingsMessage_);
    auto* whatIsSent = button(ViewTexts::text(texts::showWhatIsSent), section);
    whatIsSent->setAccessibleName(ViewTexts::text(texts::showWhatIsSentName));
    connect(whatIsSent, &QPushButton::clicked, this, [this] { showWhatIsSent(); });
    layout->addWidget(Controls::row(section, {whatIsSent}));
    content->layout()->addWidget(section);
}

void SettingsView::buildStatus(QWidget* content) {
    auto* section = new QGroupBox(ViewTexts::text(texts::summaryStatus), content);
    statusForm_ = new QFormLayout(section);
    keyStatus_ = valueLabel(ViewTexts::text(texts::apiKey), section);
    statusForm_->addRow(ViewTexts::text(texts::apiKey), keyStatus_);
    titleAccessStatus_ = valueLabel(ViewTexts::text(texts::windowTitleAccess), section);
    statusForm_->addRow(ViewTexts::text(texts::windowTitleAccess), titleAccessStatus_);
    switchingStatus_ = valueLabel(ViewTexts::text(texts::spaceSwitching), section);
    statusForm_->addRow(ViewTexts::text(texts::spaceSwitching), switchingStatus_);
    content->layout()->addWidget(section);
}

void SettingsView::buildPrivacy(QWidget* content) {
    auto* section = new QGroupBox(ViewTexts::text(texts::privacy), content);
    auto* layout = new QVBoxLayout(section);
    auto* editor = new PrivacyRulesEditor(model_, section);
    connect(editor, &PrivacyRulesEditor::whatIsSentRequested, this, [this] { showWhatIsSent(); });
    layout->addWidget(editor);
    content->layout()->addWidget(section);
}

void SettingsView::buildPermissions(QWidget* content) {
    switchingSection_ = new QGroupBox(ViewTexts::text(texts::spaceSwitching), content);
    auto* switching = new QVBoxLayout(switchingSection_);
    auto* switchingText =
        Styling::calloutLabel(ViewTexts::text(texts::switchingExplanation), switchingSection_);
    Styling::makeSecondary(switchingText);
    switching->addWidget(switchingText);
    auto* allowSwitching = button(ViewTexts::text(texts::allowSwitching), switchingSection_);
    connect(allowSwitching, &QPushButton::clicked, this,
            [this] { model_->requestSpaceSwitchAccessibility(); });
    auto* openAccessibility =
        button(ViewTexts::text(texts::openSwitchingSettings), switchingSection_);
    connect(openAccessibility, &QPushButton::clicked, this,
            [this] { model_->openSpaceSwitchAccessibilitySettings(); });
    switching->addWidget(Controls::row(switchingSection_, {allowSwitching, openAccessibility}));
    content->layout()->addWidget(switchingSection_);

    titleAccessSection_ = new QGroupBox(ViewTexts::text(texts::windowTitleAccess), content);
    auto* titles = new QVBoxLayout(titleAccessSection_);
    titleAccessText_ =
        Styling::calloutLabel(ViewTexts::text(texts::titleAccessExplanation), titleAccessSection_);
    titleAccessDefaultText_ = titleAccessText_->text();
    Styling::makeSecondary(titleAccessText_);
    titles->addWidget(titleAccessText_);
    auto* allowTitles = button(ViewTexts::text(texts::allowTitleAccess), titleAccessSection_);
    connect(allowTitles, &QPushButton::clicked, this,
            [this] { model_->requestWindowTitleAccess(); });
    auto* openPrivacy = button(ViewTexts::text(texts::openPrivacySettings), titleAccessSection_);
    connect(openPrivacy, &QPushButton::clicked, this,
            [this] { model_->openWindowTitleAccessSettings(); });
    titleAccessSettingsButton_ = openPrivacy;
    titles->addWidget(Controls::row(titleAccessSection_, {allowTitles, openPrivacy}));
    content->layout()->addWidget(titleAccessSection_);
}

void SettingsView::render() {
    const auto& model = *model_;

    const auto loginStatus = model.launchAtLoginStatus();
    launchAtLoginToggle_->setChecked(loginStatus == LaunchAtLoginStatus::enabled ||
                                     loginStatus == LaunchAtLoginStatus::requiresApproval);
    setValue(loginItemStatus_, ViewTexts::loginItemStatus(loginStatus));
    approvalText_->setVisible(loginStatus == LaunchAtLoginStatus::requiresApproval);
    openLoginItems_->parentWidget()->setVisible(loginStatus ==
                                                LaunchAtLoginStatus::requiresApproval);
    showMessage(launchAtLoginMessage_, model.launchAtLoginMessage(),
                ViewTexts::text(texts::launchAtLoginStatusPrefix));

    const bool installed = model.selectedSummaryProvider() == SummaryProvider::installedClient;
    showMessage(settingsMessage_, model.settingsMessage(),
                ViewTexts::text(texts::settingsStatusPrefix));

    statusForm_->setRowVisible(keyStatus_, !installed);
    setValue(keyStatus_, ViewTexts::keyPresence(model.savedCredentialPresence()));
    const auto allowedOrRequired = [](bool granted) {
        return ViewTexts::text(granted ? texts::allowed : texts::required);
    };
    setValue(titleAccessStatus_, allowedOrRequired(model.windowTitleAccessGranted()));
    setValue(switchingStatus_, allowedOrRequired(model.spaceSwitchAccessibilityGranted()));
    switchingSection_->setVisible(!model.spaceSwitchAccessibilityGranted());
    titleAccessSection_->setVisible(!model.windowTitleAccessGranted());
    const auto& advice = model.windowTitleAccessAdvice();
    titleAccessText_->setText(advice ? ViewTexts::windowTitleAccessAdvice(*advice)
                                     : titleAccessDefaultText_);
    titleAccessSettingsButton_->setVisible(!advice);
}

void SettingsView::keyPressEvent(QKeyEvent* event) {
    // Save is the window's default action: Return anywhere triggers it
    // while it is shown and enabled (the key field passes Return on).
    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!returnKey) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (editor_->canSave()) {
        editor_->saveKey();
    }
    event->accept();
}

void SettingsView::refreshStatuses() {
    model_->refreshWindowTitleAccessStatus();
    model_->refreshSpaceSwitchAccessibilityStatus();
    model_->refreshSavedKeyStatus();
    model_->refreshLaunchAtLoginStatus();
    model_->reloadPrivacyRules();
    model_->verifyInstalledClient();
}

void SettingsView::present() {
    show();
    raise();
    activateWindow();
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        refreshStatuses();
    }
}

void SettingsView::showWhatIsSent() {
    if (!whatIsSent_) {
        whatIsSent_ = new RequestPreviewView(model_, this);
    }
    whatIsSent_->show();
    whatIsSent_->raise();
    whatIsSent_->activateWindow();
}

} // namespace deskmap::qt
