#pragma once
// The folder tree: the catalog node "FerrovanFree", its media and their
// folders. Children are made when a node is first expanded, so a catalog
// of 2,000 media shows at once.

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <memory>
#include <vector>

#include "browse/hierarchy.h"

namespace fv {

class MediaTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  // Icons of the kind codes (0..9); the tree asks for 8 and, when a folder
  // is selected, 9.
  using IconOf = std::function<QIcon(int image)>;
  MediaTreeModel(Catalog& catalog, IconOf icons, QObject* parent = nullptr);
  ~MediaTreeModel() override;

  static constexpr int kIdRole = Qt::UserRole + 1;

  // Back to the single catalog node (its children are made on expansion).
  void Rebuild();
  QModelIndex RootIndex() const;
  EntryId IdOf(const QModelIndex& i) const;
  // The child of parent whose caption is text (cp932); invalid when none.
  QModelIndex ChildNamed(const QModelIndex& parent, const std::string& text);
  // Makes the children of a node now (for navigation by path).
  void FetchNow(const QModelIndex& parent);
  void SetCaption(const QModelIndex& i, const std::string& text);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override { return parent.column() > 0 ? 0 : 1; }
  QVariant data(const QModelIndex& i, int role) const override;
  bool setData(const QModelIndex& i, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& i) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // A caption edited in place: the window decides (rename rule) and sets
  // the caption it keeps.
  std::function<void(const QModelIndex& i, const std::string& text)> onEdited;

 private:
  struct Node;
  Node* NodeOf(const QModelIndex& i) const;
  Browser browser_;  // its own, so expanding never moves the window's current node
  IconOf icons_;
  std::unique_ptr<Node> root_;
};

}  // namespace fv
