#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"
#include "FirstTimeSetupStep.hpp"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace deskmap::qt {

class ProviderEditor;
class SetupBanner;
class StatusSymbol;
class ViewModelBridge;

// The setup wizard's content: provider, window-title access, then the
// optional Space switching, one step at a time. It keeps only the step and
// the key being typed; progress is judged by the view model's readiness.
class FirstTimeSetupView : public QWidget {
    Q_OBJECT

public:
    FirstTimeSetupView(std::shared_ptr<DeskmapViewModel> model, FirstTimeSetupStep step,
                       std::function<void()> onFinish, QWidget* parent = nullptr);
    ~FirstTimeSetupView() override;

    FirstTimeSetupStep step() const { return step_; }
    bool canContinue() const;
    void moveForward();
    void moveBack();
    // Saves the typed key (never asking for window-title access here).
    void saveCloudKey();
    // Persists completion and calls onFinish, once both prerequisites are met.
    void finish();

Q_SIGNALS:
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildProviderStep();
    QWidget* buildWindowTitleAccessStep();
    QWidget* buildSpaceSwitchingStep();
    QWidget* buildNavigation();

    void render();
    void refreshStatuses();

    std::shared_ptr<DeskmapViewModel> model_;
    FirstTimeSetupStep step_;
    std::function<void()> onFinish_;
    ViewModelBridge* bridge_;

    SetupBanner* banner_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QStackedWidget* steps_ = nullptr;
    QLabel* message_ = nullptr;

    ProviderEditor* editor_ = nullptr;

    QWidget* titleAccessGranted_ = nullptr;
    QLabel* titleAccessExplanation_ = nullptr;
    QString titleAccessDefaultText_;
    QWidget* titleAccessSettingsButton_ = nullptr;
    QWidget* titleAccessButtons_ = nullptr;
    QWidget* switchingGranted_ = nullptr;
    QWidget* switchingButtons_ = nullptr;

    QPushButton* back_ = nullptr;
    QPushButton* continue_ = nullptr;
    QPushButton* finish_ = nullptr;
};

} // namespace deskmap::qt
