// The main window's commands that ask something first: the view lighting, the background
// colour, the options, and the editing commands with dialogs of their own.
#include <QStatusBar>

#include "ui/dialogs/group_dialog.h"
#include "ui/dialogs/lighting_dialog.h"
#include "ui/dialogs/model_info_dialog.h"
#include "ui/dialogs/options_dialog.h"
#include "ui/dialogs/polygon_properties_dialog.h"
#include "ui/dialogs/static_lighting_dialog.h"
#include "ui/dialogs/vertex_info_dialog.h"
#include "ui/window/main_window.h"

namespace kestrel::ui {

void MainWindow::configureLighting() {
    if (!active_) return;
    LightingDialog dialog(active_->view().lightMasks, this);
    if (dialog.exec() != QDialog::Accepted) return;
    active_->view().lightMasks = dialog.masks();
    active_->redraw();
}

void MainWindow::chooseBackground() {
    // The chooser starts from black each time; the colour lasts until the program ends.
    const auto colour = prompts_.chooseColour(this, "Set RenderView Background Colour", Qt::black);
    if (!colour) return;
    for (ViewPane* pane : panes_) {
        pane->scene().background = colour->rgb() & 0xFFFFFFu;
        pane->redraw();
    }
}

void MainWindow::showOptions() {
    const bool useHardware = store_.useHardware().value_or(false);
    OptionsDialog dialog(document_.settings(), useHardware, this);
    if (dialog.exec() != QDialog::Accepted) return;
    document_.setSettings(dialog.settings());
    store_.setPreviewerFile(document_.settings().previewerFile);
    store_.setAutosaveMinutes(document_.settings().autosaveMinutes);
    store_.setScriptMemoryMegabytes(document_.settings().scriptMemoryMegabytes);
    store_.setEmulatedConsole(document_.settings().emulatedConsole);
    if (dialog.useHardware() != useHardware) {
        store_.setUseHardware(dialog.useHardware());
        showMessage("The drawing device changes when Kestrel next starts.");
    }
    const QSize largest{document_.settings().maxViewportWidth, document_.settings().maxViewportHeight};
    for (ViewPane* pane : panes_) {
        pane->scene().maxViewport = largest;
        pane->redraw();
    }
    updateActions();
}

void MainWindow::groupPolygons() {
    if (!document_.isEnabled(app::EditCommand::GroupPolygons)) return;
    GroupDialog dialog(document_.groupProposal(), this);
    if (dialog.exec() == QDialog::Accepted) runCommand(document_.groupPolygons(dialog.name()));
}

void MainWindow::vertexInfo() {
    // Shown only when exactly one vertex is selected; it changes nothing.
    const auto vertex = document_.vertexInfo();
    if (!vertex) {
        showMessage("Select exactly one vertex to see its information.");
        return;
    }
    VertexInfoDialog dialog(*vertex, this);
    dialog.exec();
}

void MainWindow::modelInformation() {
    ModelInfoDialog dialog(document_.modelInformation(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    switch (dialog.action()) {
        case ModelInfoDialog::Action::ReScale:
            runCommand(document_.reScale(dialog.rescale()));
            break;
        case ModelInfoDialog::Action::ReCentre:
            runCommand(document_.reCentre(dialog.recentre()));
            break;
        case ModelInfoDialog::Action::None:
            break;
    }
}

TexturePicture MainWindow::texturePictures() const {
    // A listed texture shows what was loaded for it (found as the model's files are); a file
    // just browsed to is read from where it lies.
    return [this](const std::string& path) {
        const auto& listed = document_.model().textureFiles;
        const auto& slots = document_.textureSlots();
        for (std::size_t i = 0; i < listed.size() && i < slots.size(); ++i)
            if (listed[i] == path) return timPicture(slots[i].picture);
        return timFilePicture(document_.files(), path);
    };
}

void MainWindow::wrapTexture() {
    TextureWrapperDialog dialog(document_.model().textureFiles, this);
    dialog.setTexturePicture(texturePictures());
    if (dialog.exec() == QDialog::Accepted) runCommand(document_.wrapTexture(dialog.params()));
}

void MainWindow::polygonProperties() {
    const auto initial = document_.polygonProperties();
    if (!initial) {
        showMessage("Select the polygons whose properties to change.");
        return;
    }
    PolygonPropertiesDialog dialog(*initial, document_.model().textureFiles, this);
    dialog.setTexturePicture(texturePictures());
    if (dialog.exec() == QDialog::Accepted) runCommand(document_.setPolygonProperties(dialog.settings()));
}

void MainWindow::pointLighting() {
    if (!model::canPointLight(document_.model())) return;
    StaticLightingDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted) runCommand(document_.pointLight(dialog.light()));
}

void MainWindow::setFaceColour() {
    const auto colour = prompts_.chooseColour(this, "Set Face Colour", Qt::white);
    if (colour) runCommand(document_.quickMaterial(model::QuickMaterial::FaceColour, colour->rgb() & 0xFFFFFF));
}

}  // namespace kestrel::ui
