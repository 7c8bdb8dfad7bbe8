#include "ui/dialogs/vertex_info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

VertexInfoDialog::VertexInfoDialog(const model::VertexInfo& vertex, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Vertex Info"));

    // A negative index is no vertex: the fields stay empty rather than show a made-up one.
    const bool known = vertex.index >= 0;
    const auto coordinate = [known](double value) { return known ? numberText(value) : QString(); };
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Vertex ID:"),
                 readOnlyField(known ? QString::number(vertex.index) : QString(), "vertexId", this));
    form->addRow(QStringLiteral("X="), readOnlyField(coordinate(vertex.position.x), "vertexX", this));
    form->addRow(QStringLiteral("Y="), readOnlyField(coordinate(vertex.position.y), "vertexY", this));
    form->addRow(QStringLiteral("Z="), readOnlyField(coordinate(vertex.position.z), "vertexZ", this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &VertexInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &VertexInfoDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kestrel::ui
