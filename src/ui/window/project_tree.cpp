#include "ui/window/project_tree.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include "formats/host_path.h"

namespace kestrel::ui {

namespace {

constexpr int kKindRole = Qt::UserRole, kIndexRole = Qt::UserRole + 1;

QString fileNameOf(const std::string& path) { return QString::fromStdString(std::string(formats::fileNameOf(path))); }

// A small picture of a texture, so that a user knows it at a glance.
QIcon textureIcon(const formats::TextureSlot& slot) {
    const formats::TimImage& picture = slot.picture;
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels.empty()) return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    const auto stride = static_cast<std::size_t>(picture.stride());
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(picture.height - 1 - y) * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            const unsigned index = picture.bitsPerPixel == 8 ? row[x] : (x % 2 ? row[x / 2] & 0xF : row[x / 2] >> 4);
            out[x] = 0xFF000000u | picture.palette[index];  // the palette holds red, green, blue as QRgb does
        }
    }
    return QIcon(QPixmap::fromImage(image.scaled(32, 32, Qt::KeepAspectRatio, Qt::FastTransformation)));
}

QIcon kindIcon(app::ProjectItem kind) {
    QStyle* style = QApplication::style();
    switch (kind) {
        case app::ProjectItem::Root:
            return style->standardIcon(QStyle::SP_DriveHDIcon);
        case app::ProjectItem::Group:
            return style->standardIcon(QStyle::SP_DirIcon);
        case app::ProjectItem::Skeleton:
            return style->standardIcon(QStyle::SP_ComputerIcon);
        case app::ProjectItem::Movement:
            return style->standardIcon(QStyle::SP_MediaPlay);
        case app::ProjectItem::Keyframe:
            return style->standardIcon(QStyle::SP_FileIcon);
        default:
            return {};
    }
}

}  // namespace

ProjectTree::ProjectTree(app::Document& document, QWidget* parent) : QTreeWidget(parent), document_(document) {
    setObjectName("projectTree");
    setHeaderHidden(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!refreshing_ && item) choose(item);
    });
    refresh();
}

std::vector<ProjectTree::Entry> ProjectTree::entriesOf(const app::Document& document) const {
    using app::ProjectItem;
    const model::Model& model = document.model();
    const auto& anim = document.animation();
    std::vector<Entry> entries;
    entries.push_back({ProjectItem::Root, document.path().empty() ? QString("none") : fileNameOf(document.path())});
    for (int g = 0; g < model.groupCount(); ++g)
        entries.push_back(
            {ProjectItem::Group, QString::fromStdString(model.groups[static_cast<std::size_t>(g)].name), g, 0});
    if (model.hasSkeleton()) entries.push_back({ProjectItem::Skeleton, "Skeleton", -1, 0});
    // The base frame has its item too, so that the rest pose can always be chosen again.
    if (anim.baseFrame) entries.push_back({ProjectItem::Keyframe, QString::fromStdString(anim.baseFrame->name), -1, 0});
    for (const auto& movement : anim.movements) {
        const int parent = static_cast<int>(entries.size());
        entries.push_back({ProjectItem::Movement, QString::fromStdString(movement.name), -1, 0});
        for (const auto& keyframe : movement.keyframes)
            entries.push_back({ProjectItem::Keyframe, QString::fromStdString(keyframe.name), -1, parent});
    }
    for (int t = 0; t < model.textureCount(); ++t)
        entries.push_back({ProjectItem::Texture, fileNameOf(model.textureFiles[static_cast<std::size_t>(t)]), t, 0});
    return entries;
}

void ProjectTree::refresh() {
    refreshing_ = true;
    std::vector<Entry> entries = entriesOf(document_);
    if (entries != shown_ || topLevelItemCount() == 0) {
        clear();
        std::vector<QTreeWidgetItem*> made;
        for (const Entry& e : entries) {
            auto* item = e.parent < 0 ? new QTreeWidgetItem(this)
                                      : new QTreeWidgetItem(made[static_cast<std::size_t>(e.parent)]);
            item->setText(0, e.text);
            item->setData(0, kKindRole, static_cast<int>(e.kind));
            item->setData(0, kIndexRole, e.index);
            const auto& slots = document_.textureSlots();
            const QIcon icon = e.kind == app::ProjectItem::Texture && e.index < static_cast<int>(slots.size())
                                   ? textureIcon(slots[static_cast<std::size_t>(e.index)])
                                   : QIcon();
            item->setIcon(0, icon.isNull() ? kindIcon(e.kind) : icon);
            made.push_back(item);
        }
        expandAll();
        shown_ = std::move(entries);
    }
    QTreeWidgetItem* selected = itemFor(document_.selection());
    setCurrentItem(selected);
    if (!selected) clearSelection();
    refreshing_ = false;
}

app::ProjectSelection ProjectTree::selectionOf(const QTreeWidgetItem* item) {
    if (!item) return {};
    return {static_cast<app::ProjectItem>(item->data(0, kKindRole).toInt()), item->text(0).toStdString(),
            item->data(0, kIndexRole).toInt()};
}

QTreeWidgetItem* ProjectTree::itemFor(const app::ProjectSelection& selection) const {
    if (selection.kind == app::ProjectItem::None) return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<ProjectTree*>(this)); *it; ++it) {
        const app::ProjectSelection s = selectionOf(*it);
        if (s.kind != selection.kind) continue;
        const bool indexed = s.kind == app::ProjectItem::Group || s.kind == app::ProjectItem::Texture;
        if (s.kind == app::ProjectItem::Root || s.kind == app::ProjectItem::Skeleton ||
            (indexed && s.index == selection.index) || (!indexed && s.name == selection.name))
            return *it;
    }
    return nullptr;
}

void ProjectTree::choose(QTreeWidgetItem* item) { document_.select(selectionOf(item)); }

void ProjectTree::mousePressEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        // The item under the pointer is chosen first; its menu opens where the pointer is.
        if (item) {
            setCurrentItem(item);
            Q_EMIT contextMenuAsked(event->globalPosition().toPoint());
        }
        return;
    }
    QTreeWidget::mousePressEvent(event);
    // Choosing the item may have made the tree again: look again.
    item = itemAt(event->position().toPoint());
    pressed_ = item && selectionOf(item).kind == app::ProjectItem::Keyframe ? item : nullptr;
    pressAt_ = event->position().toPoint();
    dragging_ = false;
}

void ProjectTree::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return QTreeWidget::mouseMoveEvent(event);
    if ((event->position().toPoint() - pressAt_).manhattanLength() >= QApplication::startDragDistance())
        dragging_ = true;
    if (!dragging_) return;
    QTreeWidgetItem* over = itemAt(event->position().toPoint());
    if (over && selectionOf(over).kind != app::ProjectItem::Keyframe) over = nullptr;
    if (over == dropMark_) return;
    clearDropMark();
    if (over && over != pressed_) {
        dropMark_ = over;
        dropMark_->setBackground(0, palette().highlight().color().lighter(150));
    }
}

void ProjectTree::mouseReleaseEvent(QMouseEvent* event) {
    const bool dropped = dragging_ && pressed_ && dropMark_;
    const QString dragged = pressed_ ? pressed_->text(0) : QString(),
                  target = dropMark_ ? dropMark_->text(0) : QString();
    clearDropMark();
    pressed_ = nullptr;
    dragging_ = false;
    QTreeWidget::mouseReleaseEvent(event);
    if (dropped) Q_EMIT keyframeDropped(dragged, target);
}

void ProjectTree::clearDropMark() {
    if (dropMark_) dropMark_->setBackground(0, QBrush());
    dropMark_ = nullptr;
}

void ProjectTree::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        Q_EMIT deletePressed();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace kestrel::ui
