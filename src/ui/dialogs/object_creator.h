#pragma once
// The "Object Creator": a modeless window with a tab for each primitive, its settings, and
// "Add", which hands the primitive to the caller. The settings and the name counter last as
// long as the window, hidden or not.
//
// Widgets by object name: "kinds" (QTabWidget), "nameEdit" (QLineEdit), "sides",
// "subdivisions", "squaresX", "squaresY" (QSpinBox), "spacingX", "spacingY" (QDoubleSpinBox),
// "add" (QPushButton).
#include <QDialog>
#include <functional>

#include "app/document.h"
#include "model/primitives.h"

class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace kestrel::ui {

class ObjectCreator : public QDialog {
    Q_OBJECT
public:
    using Add = std::function<app::CommandResult(const model::PrimitiveParams&)>;
    ObjectCreator(Add add, QWidget* parent = nullptr);

    // What Add would make now.
    model::PrimitiveParams params() const;
    int counter() const { return counter_; }

private:
    void kindChanged();
    void add();

    Add add_;
    int counter_ = 0;
    QTabWidget* kinds_ = nullptr;
    QLineEdit* name_ = nullptr;
    QSpinBox *sides_ = nullptr, *subdivisions_ = nullptr, *squaresX_ = nullptr, *squaresY_ = nullptr;
    QDoubleSpinBox *spacingX_ = nullptr, *spacingY_ = nullptr;
    QWidget *cylinderFields_ = nullptr, *sphereFields_ = nullptr, *meshFields_ = nullptr;
};

}  // namespace kestrel::ui
