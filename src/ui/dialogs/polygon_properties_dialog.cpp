#include "ui/dialogs/polygon_properties_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

namespace {

using model::PropertiesClick;

constexpr int kPreviewSize = 96;

// Checks the group's button id; a value no button stands for leaves none checked.
void checkId(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) button->setChecked(false);
    group->setExclusive(true);
}

// The chooser's colour order, 0x00BBGGRR, as a QColor and back.
QColor chooserQColor(std::uint32_t colour) {
    return QColor(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF));
}
std::uint32_t chooserValue(const QColor& colour) {
    return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8 | std::uint32_t(colour.blue()) << 16;
}

QPixmap swatch(const QColor& colour) {
    QPixmap pixmap(28, 14);
    pixmap.fill(colour);
    return pixmap;
}

}  // namespace

PolygonPropertiesDialog::PolygonPropertiesDialog(const model::PolygonPropertiesSettings& initial,
                                                 const std::vector<std::string>& textures, QWidget* parent)
    : QDialog(parent), initial_(initial), paths_(textures), picture_(hostTimPicture) {
    setWindowTitle(QStringLiteral("Polygon Properties"));
    chooseColour = [this](const QColor& current) {
        return QColorDialog::getColor(current, this, QStringLiteral("Colour"));
    };

    // How the polygon is coloured and lit.
    auto* styleGroup = new QGroupBox(QStringLiteral("Colouring"), this);
    styles_ = new QButtonGroup(this);
    auto* styleLayout = new QVBoxLayout(styleGroup);
    styleLayout->addWidget(radioButton(QStringLiteral("None"), "styleNone", styles_, 0, styleGroup));
    styleLayout->addWidget(radioButton(QStringLiteral("Uniform"), "styleUniform", styles_, 1, styleGroup));
    styleLayout->addWidget(radioButton(QStringLiteral("Gradation"), "styleGradation", styles_, 2, styleGroup));
    connect(styles_, &QButtonGroup::idClicked, this, [this](int id) {
        clicked(id == 0   ? PropertiesClick::StyleNone
                : id == 1 ? PropertiesClick::StyleUniform
                          : PropertiesClick::StyleGradation);
    });

    textured_ = checkBox(QStringLiteral("Textured"), "textured", this);
    connect(textured_, &QCheckBox::clicked, this, [this] { clicked(PropertiesClick::Textured); });
    lightSourced_ = checkBox(QStringLiteral("Run-time light sourced"), "lightSourced", this);
    connect(lightSourced_, &QCheckBox::clicked, this, [this] { clicked(PropertiesClick::LightSourced); });
    doubleFaced_ = checkBox(QStringLiteral("Double faced"), "doubleFaced", this);
    auto* sidesForm = new QFormLayout;
    sidesForm->addRow(QStringLiteral("Number Of Sides:"), readOnlyField(QString::number(initial.sides), "sides", this));
    auto* kindColumn = new QVBoxLayout;
    kindColumn->addWidget(textured_);
    kindColumn->addWidget(lightSourced_);
    kindColumn->addWidget(doubleFaced_);
    kindColumn->addLayout(sidesForm);
    kindColumn->addStretch(1);

    auto* shadingGroup = new QGroupBox(QStringLiteral("Shading"), this);
    shading_ = new QButtonGroup(this);
    auto* shadingLayout = new QVBoxLayout(shadingGroup);
    shadingLayout->addWidget(radioButton(QStringLiteral("Gourard"), "shadingGouraud", shading_, 0, shadingGroup));
    shadingLayout->addWidget(radioButton(QStringLiteral("Flat"), "shadingFlat", shading_, 1, shadingGroup));
    shadingLayout->addStretch(1);

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(styleGroup);
    topRow->addLayout(kindColumn);
    topRow->addWidget(shadingGroup);

    // Semi-transparency.
    auto* modeGroup = new QGroupBox(QStringLiteral("Semi-Transparency"), this);
    modes_ = new QButtonGroup(this);
    static constexpr const char* kModes[4] = {"50% back + 50% polygon", "100% back + 100% polygon",
                                              "100% back - 100% polygon", "100% back + 25% polygon"};
    static constexpr const char* kModeNames[4] = {"transparency0", "transparency1", "transparency2", "transparency3"};
    auto* modeGrid = new QGridLayout(modeGroup);
    for (int mode = 0; mode < 4; ++mode)
        modeGrid->addWidget(radioButton(QString::fromLatin1(kModes[mode]), kModeNames[mode], modes_, mode, modeGroup),
                            mode / 2, mode % 2);
    transparent_ = checkBox(QStringLiteral("Poly Is transparent"), "transparent", modeGroup);
    modeGrid->addWidget(transparent_, 2, 0, 1, 2);

    // The texture, from the model's list.
    auto* textureGroup = new QGroupBox(QStringLiteral("Texture"), this);
    textures_ = new QComboBox(textureGroup);
    textures_->setObjectName(QStringLiteral("textureList"));
    textures_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    textures_->setMinimumContentsLength(24);
    for (const std::string& path : paths_) textures_->addItem(QFile::decodeName(path.c_str()));
    preview_ = new QLabel(textureGroup);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(kPreviewSize, kPreviewSize);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::StyledPanel);
    auto* textureLayout = new QHBoxLayout(textureGroup);
    textureLayout->addWidget(textures_, 1, Qt::AlignTop);
    textureLayout->addWidget(preview_);

    // The corner colours.
    auto* colourGroup = new QGroupBox(QStringLiteral("Vertex Colours"), this);
    auto* colourRow = new QHBoxLayout(colourGroup);
    static constexpr const char* kCornerNames[4] = {"corner0", "corner1", "corner2", "corner3"};
    for (int corner = 0; corner < 4; ++corner) {
        auto* button = new QPushButton(QStringLiteral("V%1").arg(corner), colourGroup);
        button->setObjectName(QString::fromLatin1(kCornerNames[corner]));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, corner] { chooseCorner(corner); });
        colourRow->addWidget(button);
        corners_[static_cast<std::size_t>(corner)] = button;
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PolygonPropertiesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PolygonPropertiesDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(topRow);
    layout->addWidget(modeGroup);
    layout->addWidget(textureGroup);
    layout->addWidget(colourGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showSettings(initial);
    connect(textures_, &QComboBox::currentIndexChanged, this, &PolygonPropertiesDialog::textureChosen);
    textureChosen();
}

void PolygonPropertiesDialog::setTexturePicture(TexturePicture source) {
    picture_ = std::move(source);
    textureChosen();
}

model::PolygonPropertiesSettings PolygonPropertiesDialog::settings() const {
    model::PolygonPropertiesSettings s = initial_;
    if (styles_->checkedId() >= 0) s.colouringStyle = styles_->checkedId();
    s.textured = textured_->isChecked();
    s.lightSourced = lightSourced_->isChecked();
    s.doubleFaced = doubleFaced_->isChecked();
    if (shading_->checkedId() >= 0) s.shading = shading_->checkedId();
    if (modes_->checkedId() >= 0) s.transparencyMode = modes_->checkedId();
    s.transparent = transparent_->isChecked();
    if (textures_->currentIndex() >= 0) s.texture = textures_->currentIndex();
    s.cornerColours = colours_;
    return s;
}

void PolygonPropertiesDialog::clicked(model::PropertiesClick click) {
    showSettings(model::afterClick(settings(), click));
}

void PolygonPropertiesDialog::showSettings(const model::PolygonPropertiesSettings& s) {
    checkId(styles_, s.colouringStyle);
    textured_->setChecked(s.textured);
    lightSourced_->setChecked(s.lightSourced);
    doubleFaced_->setChecked(s.doubleFaced);
    checkId(shading_, s.shading);
    checkId(modes_, s.transparencyMode);
    transparent_->setChecked(s.transparent);
    textures_->setCurrentIndex(s.texture >= 0 && s.texture < textures_->count() ? s.texture : -1);
    colours_ = s.cornerColours;
    for (int corner = 0; corner < 4; ++corner) showCorner(corner);
}

void PolygonPropertiesDialog::chooseCorner(int corner) {
    auto& colour = colours_[static_cast<std::size_t>(corner)];
    const QColor chosen = chooseColour ? chooseColour(chooserQColor(colour)) : QColor();
    if (!chosen.isValid()) return;
    colour = chooserValue(chosen);
    showCorner(corner);
}

void PolygonPropertiesDialog::showCorner(int corner) {
    const QColor colour = chooserQColor(colours_[static_cast<std::size_t>(corner)]);
    QPushButton* button = corners_[static_cast<std::size_t>(corner)];
    button->setIcon(swatch(colour));
    button->setToolTip(
        QStringLiteral("Red %1, green %2, blue %3").arg(colour.red()).arg(colour.green()).arg(colour.blue()));
}

void PolygonPropertiesDialog::textureChosen() {
    const int chosen = textures_->currentIndex();
    const bool any = chosen >= 0 && static_cast<std::size_t>(chosen) < paths_.size();
    showTexturePicture(preview_, picture_, any ? &paths_[static_cast<std::size_t>(chosen)] : nullptr);
}

}  // namespace kestrel::ui
