#include "ui/media_tree_model.h"

#include "platform/qt_convert.h"

namespace fv {

struct MediaTreeModel::Node {
  TreeNodeInfo info;
  Node* parent = nullptr;
  int row = 0;
  bool fetched = false;
  std::vector<std::unique_ptr<Node>> children;
};

MediaTreeModel::MediaTreeModel(Catalog& catalog, IconOf icons, QObject* parent)
    : QAbstractItemModel(parent), browser_(catalog), icons_(std::move(icons)) {
  Rebuild();
}

MediaTreeModel::~MediaTreeModel() = default;

void MediaTreeModel::Rebuild() {
  beginResetModel();
  auto catalog = std::make_unique<Node>();
  catalog->info.id = -1;
  catalog->info.text = "FerrovanFree";
  catalog->info.image = 0;
  catalog->info.selected_image = 0;
  catalog->info.has_button = true;
  // An invisible holder above the catalog node.
  root_ = std::make_unique<Node>();
  root_->fetched = true;
  catalog->parent = root_.get();
  root_->children.push_back(std::move(catalog));
  endResetModel();
}

QModelIndex MediaTreeModel::RootIndex() const { return createIndex(0, 0, root_->children[0].get()); }

MediaTreeModel::Node* MediaTreeModel::NodeOf(const QModelIndex& i) const {
  return i.isValid() ? static_cast<Node*>(i.internalPointer()) : root_.get();
}

EntryId MediaTreeModel::IdOf(const QModelIndex& i) const { return i.isValid() ? NodeOf(i)->info.id : -1; }

QModelIndex MediaTreeModel::index(int row, int column, const QModelIndex& parent) const {
  Node* p = NodeOf(parent);
  if (column != 0 || row < 0 || row >= static_cast<int>(p->children.size())) return {};
  return createIndex(row, 0, p->children[static_cast<std::size_t>(row)].get());
}

QModelIndex MediaTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  Node* p = NodeOf(child)->parent;
  if (!p || p == root_.get()) return {};
  return createIndex(p->row, 0, p);
}

int MediaTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(NodeOf(parent)->children.size());
}

QVariant MediaTreeModel::data(const QModelIndex& i, int role) const {
  if (!i.isValid()) return {};
  const Node* n = NodeOf(i);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QFromCp932(n->info.text);
    case Qt::DecorationRole:
      return icons_ ? icons_(n->info.image) : QIcon();
    case kIdRole:
      return n->info.id;
    default:
      return {};
  }
}

bool MediaTreeModel::setData(const QModelIndex& i, const QVariant& value, int role) {
  if (!i.isValid() || role != Qt::EditRole) return false;
  if (onEdited) onEdited(i, Cp932FromQ(value.toString()));
  return true;
}

void MediaTreeModel::SetCaption(const QModelIndex& i, const std::string& text) {
  if (!i.isValid()) return;
  NodeOf(i)->info.text = text;
  emit dataChanged(i, i);
}

Qt::ItemFlags MediaTreeModel::flags(const QModelIndex& i) const {
  if (!i.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool MediaTreeModel::hasChildren(const QModelIndex& parent) const {
  const Node* n = NodeOf(parent);
  return n->fetched ? !n->children.empty() : n->info.has_button;
}

bool MediaTreeModel::canFetchMore(const QModelIndex& parent) const {
  const Node* n = NodeOf(parent);
  return !n->fetched && n->info.has_button;
}

void MediaTreeModel::fetchMore(const QModelIndex& parent) {
  Node* n = NodeOf(parent);
  if (n->fetched) return;
  n->fetched = true;
  std::vector<TreeNodeInfo> kids = browser_.TreeChildren(n->info.id);
  if (kids.empty()) {
    // The expander goes away.
    emit dataChanged(parent, parent);
    return;
  }
  beginInsertRows(parent, 0, static_cast<int>(kids.size()) - 1);
  n->children.reserve(kids.size());
  for (std::size_t k = 0; k < kids.size(); ++k) {
    auto c = std::make_unique<Node>();
    c->info = std::move(kids[k]);
    c->parent = n;
    c->row = static_cast<int>(k);
    n->children.push_back(std::move(c));
  }
  endInsertRows();
}

void MediaTreeModel::FetchNow(const QModelIndex& parent) {
  if (canFetchMore(parent)) fetchMore(parent);
}

QModelIndex MediaTreeModel::ChildNamed(const QModelIndex& parent, const std::string& text) {
  FetchNow(parent);
  Node* n = NodeOf(parent);
  for (const auto& c : n->children)
    if (c->info.text == text) return createIndex(c->row, 0, c.get());
  return {};
}

}  // namespace fv
