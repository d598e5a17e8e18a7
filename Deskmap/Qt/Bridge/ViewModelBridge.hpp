#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QObject>
#include <memory>

namespace deskmap::qt {

// Turns the view model's change notifications into a Qt signal, so views
// connect to it like to any other Qt object. Lives on the GUI thread, where
// the view model tells its observers.
class ViewModelBridge : public QObject {
    Q_OBJECT

public:
    explicit ViewModelBridge(std::shared_ptr<DeskmapViewModel> model, QObject* parent = nullptr);
    ~ViewModelBridge() override;

    DeskmapViewModel& model() const { return *model_; }
    const std::shared_ptr<DeskmapViewModel>& sharedModel() const { return model_; }

Q_SIGNALS:
    void changed(deskmap::ViewModelProperty property);

private:
    std::shared_ptr<DeskmapViewModel> model_;
    std::size_t observer_;
};

} // namespace deskmap::qt
