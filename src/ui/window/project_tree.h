#pragma once
// The project tree: the document's model file with its groups, skeleton, movements and their
// keyframes, and textures, as a view of the document made again from it after every change.
// Choosing an item makes it the document's project selection; the window answers the
// context menu, Delete and the keyframe drag.
#include <QTreeWidget>
#include <vector>

#include "app/document.h"

namespace kestrel::ui {

class ProjectTree final : public QTreeWidget {
    Q_OBJECT
public:
    explicit ProjectTree(app::Document& document, QWidget* parent = nullptr);

    // Brings the items up to date with the document and selects its project selection.
    void refresh();
    // The item standing for a selection, if the tree has one.
    QTreeWidgetItem* itemFor(const app::ProjectSelection& selection) const;
    static app::ProjectSelection selectionOf(const QTreeWidgetItem* item);

Q_SIGNALS:
    void contextMenuAsked(const QPoint& global);
    void deletePressed();
    void keyframeDropped(const QString& dragged, const QString& target);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Entry {
        app::ProjectItem kind;
        QString text;
        int index = -1;
        int parent = -1;  // the entry it hangs under; -1 for the root
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> entriesOf(const app::Document& document) const;
    void choose(QTreeWidgetItem* item);
    void clearDropMark();

    app::Document& document_;
    std::vector<Entry> shown_;
    bool refreshing_ = false;
    QTreeWidgetItem* pressed_ = nullptr;
    QTreeWidgetItem* dropMark_ = nullptr;
    QPoint pressAt_;
    bool dragging_ = false;
};

}  // namespace kestrel::ui
