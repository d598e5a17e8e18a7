#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QPointer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;

namespace deskmap::qt {

class RequestPreviewView;
class ProviderEditor;
class ViewModelBridge;

// The Settings window: launch at login, the summary provider and its key or
// installed client, the state of every prerequisite, the privacy rules, and
// the permissions.
// It keeps no state; the provider editor keeps the key being typed, and
// every control calls one of the view model's operations.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    explicit SettingsView(std::shared_ptr<DeskmapViewModel> model, QWidget* parent = nullptr);
    ~SettingsView() override;

    // Shows the window, raised and with the keyboard focus.
    void present();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildGeneral(QWidget* content);
    void buildProvider(QWidget* content);
    void buildStatus(QWidget* content);
    void buildPrivacy(QWidget* content);
    void buildPermissions(QWidget* content);

    // Shows the view model's current values.
    void render();
    // Permissions, login item and client check, as on every return to the
    // app: a permission granted meanwhile shows at once.
    void refreshStatuses();
    void showWhatIsSent();

    std::shared_ptr<DeskmapViewModel> model_;
    ViewModelBridge* bridge_;

    QCheckBox* launchAtLoginToggle_ = nullptr;
    QLabel* loginItemStatus_ = nullptr;
    QLabel* approvalText_ = nullptr;
    QPushButton* openLoginItems_ = nullptr;
    QLabel* launchAtLoginMessage_ = nullptr;

    ProviderEditor* editor_ = nullptr;
    QLabel* settingsMessage_ = nullptr;

    QFormLayout* statusForm_ = nullptr;
    QLabel* keyStatus_ = nullptr;
    QLabel* titleAccessStatus_ = nullptr;
    QLabel* switchingStatus_ = nullptr;

    QGroupBox* switchingSection_ = nullptr;
    QGroupBox* titleAccessSection_ = nullptr;
    QLabel* titleAccessText_ = nullptr;
    QString titleAccessDefaultText_;
    QWidget* titleAccessSettingsButton_ = nullptr;

    QPointer<RequestPreviewView> whatIsSent_;
};

} // namespace deskmap::qt
