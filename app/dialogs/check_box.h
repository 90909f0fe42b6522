// A check box that holds the values 0 (clear), 1 (ticked) and 2 (greyed), as
// the settings store them. A click toggles between ticked and clear only; a
// greyed box becomes ticked.
#pragma once

#include <QCheckBox>
#include <cstdint>

namespace tintext {

class CheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    int32_t Value() const {
        switch (checkState()) {
            case Qt::Checked: return 1;
            case Qt::PartiallyChecked: return 2;
            default: return 0;
        }
    }
    // A value other than 0, 1 or 2 gives fallback.
    void SetValue(int32_t value, int32_t fallback) {
        if (value < 0 || value > 2) value = fallback;
        setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    }

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

}  // namespace tintext
