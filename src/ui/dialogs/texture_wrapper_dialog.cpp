#include "ui/dialogs/texture_wrapper_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "formats/texture_slots.h"
#include "model/texture_wrap.h"
#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

namespace {

// More repeats than a texture has texels cannot show.
constexpr int kMostRepeats = 256;
constexpr int kLargestAngle = 360;
constexpr int kPreviewSize = 128;

QSpinBox* wholeField(int low, int high, int value, const char* objectName, QWidget* parent) {
    auto* field = new QSpinBox(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setRange(low, high);
    field->setValue(value);
    return field;
}

bool isTimFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("TIM"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QImage hostTimPicture(const std::string& path) { return timFilePicture(formats::HostFileSystem{}, path); }

QImage timFilePicture(const formats::FileSystem& files, const std::string& path) {
    const auto decoded = formats::readTimPicture(files, path);
    if (!decoded || decoded->width <= 0 || decoded->height <= 0) return {};
    QImage image(decoded->width, decoded->height, QImage::Format_ARGB32);
    for (int y = 0; y < decoded->height; ++y) {
        const std::uint32_t* row = decoded->pixels.data() + static_cast<std::size_t>(y) * decoded->width;
        std::copy(row, row + decoded->width, reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
}

QImage timPicture(const formats::TimImage& tim) {
    if (tim.width <= 0 || tim.height <= 0 || (tim.bitsPerPixel != 4 && tim.bitsPerPixel != 8)) return {};
    const auto stride = static_cast<std::size_t>(tim.stride());
    if (tim.pixels.size() < stride * static_cast<std::size_t>(tim.height)) return {};
    QImage image(tim.width, tim.height, QImage::Format_RGB32);
    for (int y = 0; y < tim.height; ++y) {
        // The rows lie bottom first.
        const std::uint8_t* row = tim.pixels.data() + static_cast<std::size_t>(tim.height - 1 - y) * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < tim.width; ++x) {
            const unsigned index = tim.bitsPerPixel == 8 ? row[x] : (x % 2 ? row[x / 2] & 0xFu : row[x / 2] >> 4u);
            out[x] = 0xFF000000u | (tim.palette[index] & 0xFFFFFFu);
        }
    }
    return image;
}

void showTexturePicture(QLabel* label, const TexturePicture& source, const std::string* path) {
    const QImage image = path && source ? source(*path) : QImage();
    if (image.isNull()) {
        label->setPixmap(QPixmap());
        label->setText(path ? QStringLiteral("(no picture)") : QString());
        return;
    }
    QImage shown = image;
    if (shown.width() > label->width() || shown.height() > label->height())
        shown = shown.scaled(label->size(), Qt::KeepAspectRatio, Qt::FastTransformation);
    label->setPixmap(QPixmap::fromImage(shown));
}

TextureWrapperDialog::TextureWrapperDialog(const std::vector<std::string>& listedTextures, QWidget* parent)
    : QDialog(parent), paths_(listedTextures), picture_(hostTimPicture) {
    setWindowTitle(QStringLiteral("Texture Wrapper"));
    chooseFile = [this] { return browseFile(); };

    // The projection, and for the planar one the face it looks at.
    using model::PlanarFace;
    using model::WrapType;
    auto* typeGroup = new QGroupBox(QStringLiteral("Wrap Type"), this);
    types_ = new QButtonGroup(this);
    auto* typeLayout = new QVBoxLayout(typeGroup);
    typeLayout->addWidget(
        radioButton(QStringLiteral("Cylinder Y"), "cylinderY", types_, int(WrapType::CylinderY), typeGroup));
    typeLayout->addWidget(
        radioButton(QStringLiteral("Cylinder X"), "cylinderX", types_, int(WrapType::CylinderX), typeGroup));
    typeLayout->addWidget(radioButton(QStringLiteral("Sphere\n(Centre-Vertex Projection)"), "sphereCentre", types_,
                                      int(WrapType::SphereCentre), typeGroup));
    typeLayout->addWidget(radioButton(QStringLiteral("Sphere (Vertex Normal Projection)"), "sphereNormal", types_,
                                      int(WrapType::SphereNormal), typeGroup));
    typeLayout->addWidget(radioButton(QStringLiteral("Planer"), "planar", types_, int(WrapType::Planar), typeGroup));
    types_->button(int(WrapType::CylinderY))->setChecked(true);

    faces_ = new QButtonGroup(this);
    static constexpr struct {
        const char* text;
        const char* name;
        PlanarFace face;
    } kFaces[] = {{"Y+", "faceYPlus", PlanarFace::YPlus}, {"Y-", "faceYMinus", PlanarFace::YMinus},
                  {"X+", "faceXPlus", PlanarFace::XPlus}, {"X-", "faceXMinus", PlanarFace::XMinus},
                  {"Z+", "faceZPlus", PlanarFace::ZPlus}, {"Z-", "faceZMinus", PlanarFace::ZMinus}};
    auto* faceGrid = new QGridLayout;
    faceGrid->setContentsMargins(24, 0, 0, 0);
    for (int i = 0; i < 6; ++i)
        faceGrid->addWidget(
            radioButton(QString::fromLatin1(kFaces[i].text), kFaces[i].name, faces_, int(kFaces[i].face), typeGroup),
            i / 2, i % 2);
    faces_->button(int(PlanarFace::YPlus))->setChecked(true);
    exact_ = checkBox(QStringLiteral("Exact Mode"), "exactMode", typeGroup, true);
    faceGrid->addWidget(exact_, 3, 0, 1, 2);
    typeLayout->addLayout(faceGrid);

    flipHorizontally_ = checkBox(QStringLiteral("Flip Texture Horizontally"), "flipHorizontally", typeGroup);
    flipVertically_ = checkBox(QStringLiteral("Flip Texture Vertically"), "flipVertically", typeGroup);
    // A lone '&' would be taken for a shortcut mark.
    swap_ = checkBox(QStringLiteral("Swap X && Y (rotate 90deg)"), "swapXY", typeGroup);
    typeLayout->addWidget(flipHorizontally_);
    typeLayout->addWidget(flipVertically_);
    typeLayout->addWidget(swap_);
    connect(types_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) typeChosen();
    });

    auto* repeatGroup = new QGroupBox(QStringLiteral("Tiling / Repeats"), this);
    repeatX_ = wholeField(1, kMostRepeats, 1, "repeatX", repeatGroup);
    repeatY_ = wholeField(1, kMostRepeats, 1, "repeatY", repeatGroup);
    auto* repeatForm = new QFormLayout(repeatGroup);
    repeatForm->addRow(QStringLiteral("Repeat X"), repeatX_);
    repeatForm->addRow(QStringLiteral("Repeat Y"), repeatY_);

    // Shown for the look of it: the wrap does not turn the texture.
    auto* angleGroup = new QGroupBox(QStringLiteral("Texture Angle"), this);
    auto* angleForm = new QFormLayout(angleGroup);
    angleForm->addRow(QStringLiteral("X"), wholeField(-kLargestAngle, kLargestAngle, 0, "angleX", angleGroup));
    angleForm->addRow(QStringLiteral("Y"), wholeField(-kLargestAngle, kLargestAngle, 0, "angleY", angleGroup));

    selectedOnly_ = checkBox(QStringLiteral("Texture To Selected Only"), "selectedOnly", this);
    allFrames_ = checkBox(QStringLiteral("Apply To All Frames"), "allFrames", this);

    auto* sideColumn = new QVBoxLayout;
    sideColumn->addWidget(repeatGroup);
    sideColumn->addWidget(angleGroup);
    sideColumn->addWidget(selectedOnly_);
    sideColumn->addWidget(allFrames_);
    sideColumn->addStretch(1);

    // The texture: listed paths, or a file found with "Browse".
    auto* textureGroup = new QGroupBox(QStringLiteral("Texture (TIM File)"), this);
    textures_ = new QComboBox(textureGroup);
    textures_->setObjectName(QStringLiteral("textureList"));
    textures_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    textures_->setMinimumContentsLength(32);
    for (const std::string& path : paths_) textures_->addItem(QFile::decodeName(path.c_str()));
    auto* browse = new QPushButton(QStringLiteral("Browse"), textureGroup);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &TextureWrapperDialog::browse);
    preview_ = new QLabel(textureGroup);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(kPreviewSize, kPreviewSize);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::StyledPanel);
    auto* textureRow = new QHBoxLayout;
    textureRow->addWidget(textures_, 1);
    textureRow->addWidget(browse);
    auto* textureLayout = new QVBoxLayout(textureGroup);
    textureLayout->addLayout(textureRow);
    textureLayout->addWidget(preview_, 0, Qt::AlignHCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &TextureWrapperDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TextureWrapperDialog::reject);

    auto* columns = new QHBoxLayout;
    columns->addWidget(typeGroup);
    columns->addLayout(sideColumn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(textureGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(textures_, &QComboBox::currentIndexChanged, this, &TextureWrapperDialog::textureChosen);
    textures_->setCurrentIndex(paths_.empty() ? -1 : 0);
    typeChosen();
    textureChosen();
}

void TextureWrapperDialog::setCurrentTexture(int index) {
    if (index >= 0 && index < textures_->count()) textures_->setCurrentIndex(index);
}

void TextureWrapperDialog::setTexturePicture(TexturePicture source) {
    picture_ = std::move(source);
    textureChosen();
}

app::WrapParams TextureWrapperDialog::params() const {
    app::WrapParams params;
    model::WrapOptions& o = params.options;
    o.type = static_cast<model::WrapType>(types_->checkedId());
    o.face = static_cast<model::PlanarFace>(faces_->checkedId());
    o.exact = exact_->isChecked();
    o.flipHorizontally = flipHorizontally_->isChecked();
    o.flipVertically = flipVertically_->isChecked();
    o.swap = swap_->isChecked();
    o.repeatX = repeatX_->value();
    o.repeatY = repeatY_->value();
    o.selectedOnly = selectedOnly_->isChecked();
    const int chosen = textures_->currentIndex();
    if (chosen >= 0 && static_cast<std::size_t>(chosen) < paths_.size())
        params.texture = paths_[static_cast<std::size_t>(chosen)];
    params.allFrames = allFrames_->isChecked();
    return params;
}

QString TextureWrapperDialog::browseFile() {
    QFileDialog dialog(this, QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("TIM"));
    dialog.setNameFilters({QStringLiteral("Playstation TIM File (*.TIM)"), QStringLiteral("All Files (*.*)")});
    // Start where the chosen texture lies, when it is a file here.
    const int chosen = textures_->currentIndex();
    if (chosen >= 0) {
        const QFileInfo current(QFile::decodeName(paths_[static_cast<std::size_t>(chosen)].c_str()));
        if (current.dir().exists()) dialog.setDirectory(current.dir());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

void TextureWrapperDialog::browse() {
    const QString chosen = chooseFile ? chooseFile() : QString();
    if (chosen.isEmpty()) return;
    if (!isTimFile(chosen)) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("\"%1\" is not a TIM file. Choose a file whose name "
                                            "ends in .TIM.")
                                 .arg(QFileInfo(chosen).fileName()));
        return;
    }
    const std::string path = QFile::encodeName(chosen).toStdString();
    // A path already listed (in any letter case) is that texture, not another.
    const auto listed = std::find_if(paths_.begin(), paths_.end(),
                                     [&](const std::string& p) { return model::sameTexturePath(p, path); });
    if (listed != paths_.end()) {
        textures_->setCurrentIndex(static_cast<int>(listed - paths_.begin()));
        return;
    }
    paths_.push_back(path);
    textures_->addItem(chosen);
    textures_->setCurrentIndex(textures_->count() - 1);
}

void TextureWrapperDialog::textureChosen() {
    const int chosen = textures_->currentIndex();
    const bool any = chosen >= 0 && static_cast<std::size_t>(chosen) < paths_.size();
    ok_->setEnabled(any);
    showTexturePicture(preview_, picture_, any ? &paths_[static_cast<std::size_t>(chosen)] : nullptr);
}

void TextureWrapperDialog::typeChosen() {
    const bool planar = types_->checkedId() == int(model::WrapType::Planar);
    for (QAbstractButton* face : faces_->buttons()) face->setEnabled(planar);
    exact_->setEnabled(planar);
}

}  // namespace kestrel::ui
