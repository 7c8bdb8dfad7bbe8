#include "ui/dialogs/object_creator.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <climits>

namespace kestrel::ui {

namespace {

constexpr const char* kFormats[] = {"Pyramid%1", "Cube%1", "Cylinder%1", "Sphere%1", "Mesh%1"};
constexpr const char* kTitles[] = {"Pyramid", "Cube", "Cylinder", "Sphere", "Mesh"};

// A 16 x 16 outline of each kind for its tab.
QIcon kindIcon(int kind) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QApplication::palette().color(QPalette::ButtonText), 1.2));
    switch (kind) {
        case 0:
            p.drawPolygon(QPolygonF{{{8, 2}, {14, 14}, {2, 14}}});
            break;
        case 1:
            p.drawRect(QRectF(2, 5, 9, 9));
            p.drawPolyline(QPolygonF{{{2, 5}, {5, 2}, {14, 2}, {14, 11}, {11, 14}}});
            p.drawLine(QPointF(11, 5), QPointF(14, 2));
            break;
        case 2:
            p.drawEllipse(QRectF(3, 1.5, 10, 4));
            p.drawLine(QPointF(3, 3.5), QPointF(3, 12.5));
            p.drawLine(QPointF(13, 3.5), QPointF(13, 12.5));
            p.drawArc(QRectF(3, 10.5, 10, 4), 180 * 16, 180 * 16);
            break;
        case 3:
            p.drawEllipse(QRectF(2, 2, 12, 12));
            p.drawEllipse(QRectF(2, 6, 12, 4));
            break;
        default:
            for (int k = 2; k <= 14; k += 4) {
                p.drawLine(QPointF(k, 2), QPointF(k, 14));
                p.drawLine(QPointF(2, k), QPointF(14, k));
            }
            break;
    }
    return QIcon(picture);
}

QSpinBox* spin(QWidget* parent, const char* name, int low, int high, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

QDoubleSpinBox* real(QWidget* parent, const char* name, double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-1e6, 1e6);
    box->setDecimals(3);
    box->setValue(value);
    return box;
}

}  // namespace

ObjectCreator::ObjectCreator(Add add, QWidget* parent) : QDialog(parent), add_(std::move(add)) {
    setWindowTitle("Object Creator");
    setModal(false);
    kinds_ = new QTabWidget(this);
    kinds_->setObjectName("kinds");
    for (int k = 0; k < 5; ++k) {
        kinds_->addTab(new QWidget(kinds_), kindIcon(k), "");
        kinds_->setTabToolTip(k, kTitles[k]);
    }
    name_ = new QLineEdit(this);
    name_->setObjectName("nameEdit");

    cylinderFields_ = new QWidget(this);
    sides_ = spin(cylinderFields_, "sides", 3, 100, 6);
    (new QFormLayout(cylinderFields_))->addRow("Number of sides:", sides_);
    sphereFields_ = new QWidget(this);
    subdivisions_ = spin(sphereFields_, "subdivisions", 0, 20, 2);
    (new QFormLayout(sphereFields_))->addRow("Sphere Subdivisions:", subdivisions_);
    meshFields_ = new QWidget(this);
    spacingX_ = real(meshFields_, "spacingX", 10.0);
    spacingY_ = real(meshFields_, "spacingY", 10.0);
    squaresX_ = spin(meshFields_, "squaresX", 0, INT_MAX, 5);
    squaresY_ = spin(meshFields_, "squaresY", 0, INT_MAX, 5);
    auto* mesh = new QFormLayout(meshFields_);
    mesh->addRow("Mesh Grid Spacing X:", spacingX_);
    mesh->addRow("Mesh Grid Spacing Y:", spacingY_);
    mesh->addRow("Grid Size (squares) X:", squaresX_);
    mesh->addRow("Grid Size (squares) Y:", squaresY_);

    auto* addButton = new QPushButton("Add", this);
    addButton->setObjectName("add");
    connect(addButton, &QPushButton::clicked, this, &ObjectCreator::add);
    connect(kinds_, &QTabWidget::currentChanged, this, &ObjectCreator::kindChanged);

    auto* form = new QFormLayout;
    form->addRow("Name:", name_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kinds_);
    layout->addLayout(form);
    for (QWidget* fields : {cylinderFields_, sphereFields_, meshFields_}) layout->addWidget(fields);
    layout->addWidget(addButton);
    kindChanged();
}

void ObjectCreator::kindChanged() {
    const int kind = kinds_->currentIndex();
    cylinderFields_->setVisible(kind == 2);
    sphereFields_->setVisible(kind == 3);
    meshFields_->setVisible(kind == 4);
    name_->setText(QString(kFormats[kind]).arg(counter_));
}

model::PrimitiveParams ObjectCreator::params() const {
    model::PrimitiveParams p{static_cast<model::PrimitiveKind>(kinds_->currentIndex()), name_->text().toStdString()};
    p.sides = sides_->value();
    p.subdivisions = subdivisions_->value();
    p.spacingX = spacingX_->value();
    p.spacingY = spacingY_->value();
    p.squaresX = squaresX_->value();
    p.squaresY = squaresY_->value();
    return p;
}

void ObjectCreator::add() {
    if (!add_(params())) return;  // the caller has said why
    ++counter_;
    name_->setText(QString(kFormats[kinds_->currentIndex()]).arg(counter_));
}

}  // namespace kestrel::ui
