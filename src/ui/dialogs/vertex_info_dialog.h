#pragma once
// "Vertex Info": the index and position of the one selected vertex, to read.
//
// Widgets by object name: "vertexId", "vertexX", "vertexY", "vertexZ" (read-only QLineEdit,
// "Vertex ID:", "X=", "Y=", "Z="), "buttons" (QDialogButtonBox, OK and Cancel).
#include <QDialog>

#include "model/model_editing.h"

namespace kestrel::ui {

class VertexInfoDialog : public QDialog {
    Q_OBJECT

public:
    explicit VertexInfoDialog(const model::VertexInfo& vertex, QWidget* parent = nullptr);
};

}  // namespace kestrel::ui
