#pragma once

#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"

#include <QWidget>

class QLabel;

namespace deskmap::qt {

class BusyIndicator;

// The installed client's check: a spinning mark while it runs, then its
// outcome in words. The text label carries the accessible name "Client
// status".
class ClientStatusRow : public QWidget {
public:
    explicit ClientStatusRow(QWidget* parent = nullptr);
    void setState(const InstalledClientVerificationState& state);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitHeight();

    BusyIndicator* busy_;
    QLabel* text_;
};

} // namespace deskmap::qt
