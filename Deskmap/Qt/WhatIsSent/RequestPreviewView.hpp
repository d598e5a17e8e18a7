#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;

namespace deskmap::qt {

class ViewModelBridge;

// What the next summary would send for the Spaces shown now, through the
// selected provider: the endpoint and the exact request body, or the
// client's command line and prompt. Read-only; keys are never part of it.
// Follows the view model as the inventory or the choice changes.
class RequestPreviewView : public QWidget {
    Q_OBJECT

public:
    explicit RequestPreviewView(std::shared_ptr<DeskmapViewModel> model, QWidget* parent = nullptr);

    // The text shown, for the view model's current state.
    static QString previewText(const DeskmapViewModel& model);

private:
    void render();

    std::shared_ptr<DeskmapViewModel> model_;
    ViewModelBridge* bridge_;
    QLabel* heading_;
    QPlainTextEdit* text_;
};

} // namespace deskmap::qt
