#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;

namespace deskmap::qt {

// A row of mutually exclusive buttons, one per option: all choices in view
// at once. The row carries the picker's accessible name, each button its
// option's.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    SegmentedPicker(const QString& accessibleName, const QStringList& options,
                    QWidget* parent = nullptr);

    int currentIndex() const;
    // Shows `index` as chosen without telling anyone.
    void setCurrentIndex(int index);

Q_SIGNALS:
    // The user chose `index` (also when it was chosen already).
    void chosen(int index);

protected:
    void changeEvent(QEvent* event) override;

private:
    void markChosen();

    QButtonGroup* group_;
};

} // namespace deskmap::qt
