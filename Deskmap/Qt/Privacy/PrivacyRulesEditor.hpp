#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace deskmap::qt {

class ViewModelBridge;

// The privacy rules: the apps and the title patterns whose windows are
// never sent, and the masking of identifiers. Every change goes to the view
// model at once; the editor keeps only what is being typed.
class PrivacyRulesEditor : public QWidget {
    Q_OBJECT

public:
    explicit PrivacyRulesEditor(std::shared_ptr<DeskmapViewModel> model, QWidget* parent = nullptr);
    ~PrivacyRulesEditor() override;

Q_SIGNALS:
    void whatIsSentRequested();

protected:
    // Return in a field adds what was typed and goes no further, so it
    // never triggers the window's default action.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void render();
    // Offers the apps on screen that are not withheld yet, keeping what is
    // being typed.
    void offerApps();
    void addApp();
    void addTitlePattern();
    void removeSelected(QListWidget* list, std::vector<std::string> PrivacyRules::*field);

    std::shared_ptr<DeskmapViewModel> model_;
    ViewModelBridge* bridge_;

    QLabel* malformedNotice_ = nullptr;
    QListWidget* apps_ = nullptr;
    QComboBox* appField_ = nullptr;
    QPushButton* removeApp_ = nullptr;
    QListWidget* patterns_ = nullptr;
    QLineEdit* patternField_ = nullptr;
    QPushButton* removePattern_ = nullptr;
    QCheckBox* masking_ = nullptr;
};

} // namespace deskmap::qt
