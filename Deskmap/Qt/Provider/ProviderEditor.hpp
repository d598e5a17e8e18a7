#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace deskmap::qt {

class ClientStatusRow;
class SegmentedPicker;
class StatusSymbol;
class ViewModelBridge;

// Where the Settings window and the setup wizard differ around the
// provider's controls.
struct ProviderEditorOptions {
    enum class Layout {
        // Labelled rows with each provider's model; the key field is named
        // for its provider ("OpenAI API key").
        labelledRows,
        // A stack of controls, with the saved key's state beside its buttons.
        compact,
    };
    Layout layout = Layout::labelledRows;
    // Whether saving a key also asks for window-title access (the wizard
    // has a step of its own for that).
    bool saveAsksForTitleAccess = true;
    // Whether Return in the key field saves; otherwise it passes on to the
    // window, whose default action it is.
    bool returnInKeyFieldSaves = false;
};

// The summary provider's controls: the provider picker, the installed
// client's picker, model and Check Availability, the key field with its
// input hints, Save and Clear. It keeps only the key being typed; every
// control calls the view model.
class ProviderEditor : public QWidget {
    Q_OBJECT

public:
    ProviderEditor(std::shared_ptr<DeskmapViewModel> model, ProviderEditorOptions options,
                   QWidget* parent = nullptr);
    ~ProviderEditor() override;

    // Saves the typed key, if any, and empties the field.
    void saveKey();
    // Whether Save is shown and may be pressed.
    bool canSave() const;
    bool keyFieldHasFocus() const;

private:
    void buildLabelledRows();
    void buildCompact();
    void buildControls();
    void render();
    void renderKeyButtons();
    void renderModel(SummaryProvider provider);
    void renderServer();
    // Asks the local server for its models again (shown, or why not).
    void listLocalModels();

    std::shared_ptr<DeskmapViewModel> model_;
    ProviderEditorOptions options_;
    ViewModelBridge* bridge_;

    SegmentedPicker* providerPicker_ = nullptr;
    QComboBox* clientPicker_ = nullptr;
    QPushButton* checkAvailability_ = nullptr;
    ClientStatusRow* clientStatus_ = nullptr;
    QLineEdit* keyField_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* clear_ = nullptr;

    // Labelled rows.
    QFormLayout* form_ = nullptr;
    QLabel* clientModel_ = nullptr;
    // The HTTP provider's model: free text, with the default offered.
    QComboBox* modelField_ = nullptr;
    QWidget* checkRow_ = nullptr;
    // The local server: its address, whether anything leaves the computer,
    // and what it offers.
    QLineEdit* serverField_ = nullptr;
    QLabel* serverNotice_ = nullptr;
    QStringList localModels_;
    std::optional<QString> localModelsFailure_;
    QString listedFrom_; // the address the models were listed from
    // The field holds an address that was not taken, while the stored one
    // is still `refusedOver_` (an address set elsewhere mends it too).
    bool addressRefused_ = false;
    QString refusedOver_;
    QWidget* keyButtons_ = nullptr;

    // Compact.
    QWidget* clientControls_ = nullptr;
    QWidget* keyControls_ = nullptr;
    StatusSymbol* keySymbol_ = nullptr;
    QLabel* keyStatus_ = nullptr;
};

} // namespace deskmap::qt
