#include "ViewModelBridge.hpp"

namespace deskmap::qt {

ViewModelBridge::ViewModelBridge(std::shared_ptr<DeskmapViewModel> model, QObject* parent)
    : QObject(parent), model_(std::move(model)) {
    observer_ =
        model_->addObserver([this](ViewModelProperty property) { Q_EMIT changed(property); });
}

ViewModelBridge::~ViewModelBridge() {
    model_->removeObserver(observer_);
}

} // namespace deskmap::qt
