#include "Deskmap/Qt/Privacy/PrivacyRulesEditor.hpp"
#include "Deskmap/Qt/Provider/ProviderEditor.hpp"
#include "Deskmap/Qt/Settings/SettingsView.hpp"
#include "Deskmap/Qt/WhatIsSent/RequestPreviewView.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "QtTestSupport.hpp"
#include "Support/StandInAPIServer.hpp"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <memory>

using namespace std::chrono_literals;

namespace deskmap::test {
namespace {

class SettingsViewTest : public QtViewModelTest {
protected:
    void open() {
        make();
        // The start-up read of the key, whatever its outcome.
        runUntil([&] { return keychain->calls > 0; });
        settle(30ms);
        view = std::make_unique<qt::SettingsView>(viewModel);
        view->present();
        QCoreApplication::processEvents();
    }

    QLineEdit* keyField() {
        return view->findChild<qt::ProviderEditor*>()->findChild<QLineEdit*>();
    }

    void type(const QString& text) {
        keyField()->clear();
        QTest::keyClicks(keyField(), text);
    }

    QComboBox* modelField() { return visible<QComboBox>(view.get(), "Model"); }

    bool enabled(const QString& name) {
        auto* button = visible<QAbstractButton>(view.get(), name);
        return button && button->isEnabled();
    }

    void returnToTheApp() {
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
        settle(30ms);
    }

    std::string savedKey(SummaryProvider provider) {
        return KeychainCredentialStore(provider, keychain->unwatched()).token().value_or("");
    }

    std::unique_ptr<qt::SettingsView> view;
};

TEST_F(SettingsViewTest, ShowsOnlyTheControlsOfTheSelectedProvider) {
    open();
    QWidget* root = view.get();
    EXPECT_TRUE(shows(root, "OpenAI API key"));
    EXPECT_TRUE(shows(root, "Save"));
    EXPECT_TRUE(shows(root, "Clear"));
    EXPECT_EQ(labelText(root, "API key"), "Not saved");
    EXPECT_EQ(modelField()->currentText(), "gpt-5.6-luna");
    EXPECT_FALSE(shows(root, "Client"));
    EXPECT_FALSE(shows(root, "Client status"));
    EXPECT_FALSE(shows(root, "Check Availability"));
    EXPECT_EQ(sectionTitles(root),
              QStringList({"General", "Summary provider", "Summary status", "Privacy"}))
        << "both permissions granted: no permission sections";
    screenshots(root, "settings-openai");

    click(root, "OpenRouter");
    EXPECT_EQ(viewModel->selectedSummaryProvider(), SummaryProvider::openRouter);
    EXPECT_TRUE(shows(root, "OpenRouter API key"));
    EXPECT_EQ(modelField()->currentText(), "deepseek/deepseek-v4-flash-0731");
    screenshots(root, "settings-openrouter");

    click(root, "Installed client");
    ASSERT_TRUE(runUntil([&] {
        return viewModel->installedClientVerification().kind() ==
               InstalledClientVerificationState::Kind::available;
    }));
    EXPECT_FALSE(keyField()->isVisibleTo(root));
    EXPECT_FALSE(shows(root, "Save"));
    EXPECT_FALSE(shows(root, "Clear"));
    EXPECT_FALSE(shows(root, "API key")) << "no key row in the status section";
    EXPECT_TRUE(shows(root, "Client"));
    EXPECT_EQ(labelText(root, "Client status"), "Available and signed in");
    EXPECT_TRUE(shows(root, "Check Availability"));
    EXPECT_EQ(labelText(root, "Model").toStdString(), deskmap::model(InstalledClient::codex));
    screenshots(root, "settings-installed-client");
}

TEST_F(SettingsViewTest, SaveNeedsAKeyAndTheFieldIsEmptiedAfterEverySave) {
    open();
    QWidget* root = view.get();
    type("   ");
    EXPECT_FALSE(enabled("Save")) << "spaces are not a key";
    QTest::keyClick(keyField(), Qt::Key_Return);
    settle(20ms);
    // A save of spaces would say "Enter an API key."; the refresh passes
    // read the keychain meanwhile, so its calls tell nothing here.
    EXPECT_FALSE(viewModel->settingsMessage().has_value())
        << "Return does nothing while Save is disabled";

    type("  sk-typed  ");
    EXPECT_TRUE(enabled("Save"));
    EXPECT_EQ(keyField()->echoMode(), QLineEdit::Password);
    titleAccess->granted = false;
    titleAccess->grantOnRequest = true;
    click(root, "Save");
    EXPECT_TRUE(keyField()->text().isEmpty());
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->savedCredentialPresence() == SavedCredentialPresence::saved; }));
    EXPECT_EQ(savedKey(SummaryProvider::openAI), "sk-typed");
    EXPECT_EQ(titleAccess->requests, 1) << "a key is saved to summarize: titles are asked for";
    EXPECT_EQ(labelText(root, "API key"), "Saved");
    EXPECT_TRUE(enabled("Clear"));

    keychain->failure = platform::KeychainStatus::authFailed;
    type("sk-second");
    // Save is the window's default action, wherever the focus is.
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_TRUE(keyField()->text().isEmpty()) << "emptied also when the save fails";
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    const QString message = texts::couldNotSaveKey;
    EXPECT_EQ(labelText(root, "Settings status: " + message), message);
    screenshots(root, "settings-openai-message");
}

TEST_F(SettingsViewTest, ClearIsOnlyDisabledWhenNoKeyIsSaved) {
    keychain->failure = platform::KeychainStatus::authFailed;
    open();
    QWidget* root = view.get();
    ASSERT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::unknown);
    EXPECT_EQ(labelText(root, "API key"), "Unavailable");
    EXPECT_TRUE(enabled("Clear")) << "a key may be saved";

    keychain->failure = platform::KeychainStatus::success;
    click(root, "Clear");
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->savedCredentialPresence() == SavedCredentialPresence::notSaved; }));
    EXPECT_FALSE(enabled("Clear"));
}

TEST_F(SettingsViewTest, ChoosingAnotherProviderDiscardsTheTypedKeyTheSameOneKeepsIt) {
    open();
    type("sk-half-typed");
    click(view.get(), "OpenAI"); // already selected
    EXPECT_EQ(keyField()->text(), "sk-half-typed");
    EXPECT_TRUE(enabled("Save"));
    click(view.get(), "OpenRouter");
    EXPECT_TRUE(keyField()->text().isEmpty());
    EXPECT_FALSE(enabled("Save"));
    EXPECT_EQ(keyField()->accessibleName(), "OpenRouter API key");
    EXPECT_EQ(savedKey(SummaryProvider::openAI), "");
    EXPECT_EQ(savedKey(SummaryProvider::openRouter), "");
}

TEST_F(SettingsViewTest, CheckAvailabilityCannotStartASecondCheck) {
    runner->hold = true;
    open();
    QWidget* root = view.get();
    click(root, "Installed client");
    ASSERT_TRUE(runUntil([&] { return runner->runs == 1; }));
    EXPECT_EQ(labelText(root, "Client status"), "Checking...");
    EXPECT_TRUE(shows(root, "In progress"));
    EXPECT_FALSE(enabled("Check Availability"));
    click(root, "Check Availability");
    settle();
    EXPECT_EQ(runner->runs, 1);

    runner->signedIn = false;
    runner->hold = false;
    ASSERT_TRUE(runUntil([&] { return enabled("Check Availability"); }));
    EXPECT_FALSE(shows(root, "In progress"));
    EXPECT_NE(labelText(root, "Client status"), "Checking...");
    screenshots(root, "settings-installed-client-unavailable");
}

TEST_F(SettingsViewTest, PermissionSectionsShowWhileAPermissionIsMissing) {
    open();
    QWidget* root = view.get();
    titleAccess->granted = false;
    accessibility->granted = false;
    returnToTheApp();
    EXPECT_EQ(sectionTitles(root),
              QStringList({"General", "Summary provider", "Summary status", "Space switching",
                           "Window title access", "Privacy"}));
    EXPECT_EQ(labelText(root, "Window title access"), "Required");
    EXPECT_EQ(labelText(root, "Space switching"), "Required");
    screenshots(root, "settings-permissions-missing");

    click(root, "Allow Window Title Access");
    EXPECT_EQ(titleAccess->requests, 1);
    click(root, "Open Space-Switching Settings");
    EXPECT_EQ(pages->opened, std::vector<platform::PermissionSettingsPage>{
                                 platform::PermissionSettingsPage::spaceSwitching});

    titleAccess->granted = true;
    accessibility->granted = true;
    returnToTheApp();
    EXPECT_EQ(labelText(root, "Window title access"), "Allowed");
    EXPECT_EQ(labelText(root, "Space switching"), "Allowed");
    EXPECT_EQ(sectionTitles(root).size(), 4);
}

TEST_F(SettingsViewTest, ShowingTheWindowReadsTheStatusesAgain) {
    open();
    view->hide();
    titleAccess->granted = false;
    launchAtLogin->current = LaunchAtLoginStatus::enabled;
    returnToTheApp();
    EXPECT_EQ(labelText(view.get(), "Window title access"), "Allowed") << "not while hidden";
    view->present();
    settle(30ms);
    EXPECT_EQ(labelText(view.get(), "Window title access"), "Required");
    EXPECT_EQ(labelText(view.get(), "Autostart status"), "On");
}

TEST_F(SettingsViewTest, TheLoginItemToggleAndItsApproval) {
    launchAtLogin->current = LaunchAtLoginStatus::requiresApproval;
    open();
    QWidget* root = view.get();
    auto* toggle = visible<QCheckBox>(root, "Open Deskmap at login");
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(labelText(root, "Autostart status"), "Approval required");
    EXPECT_EQ(visible<QLabel>(root, "Autostart status")->accessibleDescription(),
              "Approval required")
        << "assistive technology hears the value too";
    EXPECT_TRUE(showsText(root, "Deskmap is registered, but your desktop requires approval "
                                "before it can open at login."));
    EXPECT_TRUE(shows(root, "Open Autostart Settings"));
    click(root, "Open Autostart Settings");
    EXPECT_EQ(launchAtLogin->settingsOpened, 1);

    launchAtLogin->current = LaunchAtLoginStatus::enabled;
    returnToTheApp();
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(shows(root, "Open Autostart Settings"));
    EXPECT_FALSE(showsText(root, "Deskmap is registered, but your desktop requires approval "
                                 "before it can open at login."));

    QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(8, toggle->height() / 2));
    EXPECT_EQ(launchAtLogin->current, LaunchAtLoginStatus::disabled);
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(labelText(root, "Autostart status"), "Off");
    const QString message = texts::launchAtLoginDisabled;
    EXPECT_EQ(labelText(root, "Launch at login status: " + message), message);

    // A change that fails leaves the box as the status says, every time.
    launchAtLogin->failure = "The autostart folder is read-only.";
    for (int attempt = 0; attempt < 2; ++attempt) {
        QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(8, toggle->height() / 2));
        EXPECT_FALSE(toggle->isChecked()) << "attempt " << attempt;
        EXPECT_EQ(labelText(root, "Autostart status"), "Off");
    }
}

TEST_F(SettingsViewTest, EachHTTPProviderKeepsItsOwnModel) {
    open();
    QWidget* root = view.get();
    auto* field = modelField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->itemText(0), "gpt-5.6-luna") << "the default is offered";
    field->lineEdit()->setFocus();
    field->lineEdit()->selectAll();
    QTest::keyClicks(field->lineEdit(), "gpt-5.6-sol");
    Q_EMIT field->lineEdit()->editingFinished();
    EXPECT_EQ(viewModel->summaryModel(SummaryProvider::openAI), "gpt-5.6-sol");
    EXPECT_EQ(defaults->string("openAIModel"), "gpt-5.6-sol");
    view->setFocus();
    screenshots(root, "settings-model");

    click(root, "OpenRouter");
    EXPECT_EQ(modelField()->currentText(), "deepseek/deepseek-v4-flash-0731")
        << "the other provider keeps its own";
    click(root, "OpenAI");
    EXPECT_EQ(modelField()->currentText(), "gpt-5.6-sol");
    modelField()->setEditText("  ");
    Q_EMIT modelField()->lineEdit()->editingFinished();
    EXPECT_EQ(viewModel->summaryModel(SummaryProvider::openAI), "gpt-5.6-luna")
        << "blank is the default again";
    EXPECT_EQ(defaults->value("openAIModel"), std::nullopt);
}

TEST_F(SettingsViewTest, ALocalServerOffersItsModelsAndSaysWhereTitlesGo) {
    test::StandInAPIServer server;
    server.enqueueJSON(R"({"data": [{"id": "qwen3"}, {"id": "llama3.2"}]})");
    defaults->set("localBaseURL", server.baseURL());
    open();
    QWidget* root = view.get();
    click(root, "Local server");
    ASSERT_TRUE(runUntil([&] { return modelField()->count() == 2; })) << "the server's models";
    EXPECT_EQ(modelField()->currentText(), "qwen3") << "the first is the default";
    EXPECT_EQ(defaults->string("localModel"), "qwen3");
    EXPECT_TRUE(viewModel->firstTimeSetupReadiness().providerConnected) << "no key needed";
    EXPECT_EQ(server.received().at(0).path, "/v1/models");
    EXPECT_EQ(labelText(root, "Where window titles go"),
              "The server runs on this computer: nothing Deskmap sends leaves it.");
    view->setFocus();
    screenshots(root, "settings-local-server");

    // Another address: named, with a warning for plain HTTP.
    auto* address = visible<QLineEdit>(root, "Server address");
    address->setText("http://192.0.2.7:9");
    Q_EMIT address->editingFinished();
    ASSERT_TRUE(runUntil([&] {
        return labelText(root, "Where window titles go")
            .startsWith("App names and window titles leave this computer for 192.0.2.7 "
                        "unencrypted");
    }));
    EXPECT_EQ(defaults->string("localBaseURL"), "http://192.0.2.7:9");
    address->setText("ftp://nowhere");
    Q_EMIT address->editingFinished();
    EXPECT_EQ(defaults->string("localBaseURL"), "http://192.0.2.7:9") << "refused, not stored";
    viewModel->refreshNow(); // the window redraws
    settle(50ms);
    EXPECT_TRUE(
        labelText(root, "Where window titles go").startsWith(texts::localServerAddressInvalid))
        << "the reason stays until the address is mended";
    EXPECT_EQ(address->text(), "ftp://nowhere") << "nothing typed is lost";
    viewModel->setLocalServerAddress("http://127.0.0.1:8080"); // as the setup window would
    settle(50ms);
    EXPECT_EQ(address->text(), "http://127.0.0.1:8080") << "mended elsewhere";
}

TEST_F(SettingsViewTest, ThePrivacyRulesAreEditedInPlace) {
    defaults->set("excludedApps", "KeePassXC"); // not a list
    open();
    QWidget* root = view.get();
    const QString notice = texts::malformedPrivacyNotice("excludedApps").c_str();
    EXPECT_EQ(labelText(root, notice), notice);
    auto* apps = visible<QListWidget>(root, "Apps never sent");
    auto* appField = visible<QComboBox>(root, "App to withhold");
    ASSERT_TRUE(apps && appField);
    EXPECT_EQ(apps->count(), static_cast<int>(PrivacyRules::defaultExcludedApps().size()));
    EXPECT_EQ(appField->findText("Terminal"), 0) << "the apps on screen are offered";

    type("sk-typed");
    appField->setFocus();
    appField->setCurrentIndex(0);
    QTest::keyClick(appField->lineEdit(), Qt::Key_Return);
    settle(20ms);
    EXPECT_EQ(viewModel->privacyRules().excludedApps.back(), "Terminal");
    EXPECT_EQ(apps->item(apps->count() - 1)->text(), "Terminal");
    EXPECT_EQ(appField->findText("Terminal"), -1) << "withheld apps are not offered again";
    EXPECT_TRUE(appField->currentText().isEmpty());
    EXPECT_EQ(keyField()->text(), "sk-typed") << "Return in the field never saves the key";
    EXPECT_EQ(savedKey(SummaryProvider::openAI), "");
    EXPECT_FALSE(shows(root, notice)) << "the rules in force were saved whole";

    QTest::keyClicks(visible<QLineEdit>(root, "Title pattern to withhold"), "Invoice *");
    click(root, "Add Title Pattern");
    EXPECT_EQ(viewModel->privacyRules().excludedTitlePatterns.back(), "Invoice *");
    click(root, "Mask identifiers in the titles that are sent");
    EXPECT_TRUE(viewModel->privacyRules().redactIdentifiers);
    EXPECT_EQ(PrivacySettings::load(*defaults).rules, viewModel->privacyRules());

    auto* privacy = view->findChild<qt::PrivacyRulesEditor*>();
    ASSERT_NE(privacy, nullptr);
    view->findChild<QScrollArea*>()->ensureWidgetVisible(privacy, 0, 0);
    apps->setCurrentRow(apps->count() - 1);
    screenshots(root, "settings-privacy");

    EXPECT_FALSE(enabled("Remove Title Pattern")) << "nothing selected";
    click(root, "Remove App");
    EXPECT_EQ(viewModel->privacyRules().excludedApps, PrivacyRules::defaultExcludedApps());
    click(root, "Show What Is Sent Under These Rules");
    auto* preview = view->findChild<qt::RequestPreviewView*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    click(root, "Restore Default Privacy Rules");
    EXPECT_EQ(viewModel->privacyRules(), PrivacyRules::defaults());
    EXPECT_FALSE(
        visible<QCheckBox>(root, "Mask identifiers in the titles that are sent")->isChecked());
}

} // namespace
} // namespace deskmap::test
