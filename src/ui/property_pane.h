#pragma once
// The property pane of the page "標準": icon and name of what is shown, the
// notice that the medium should be read again, a small tool bar, the list
// of "項目" and "内容" and, on its right edge, the pages "画像" and "グラフ".

#include <QPixmap>
#include <QWidget>
#include <functional>

#include "browse/properties.h"

class QLabel;
class QTabWidget;
class QToolBar;
class QTreeView;

namespace fv {

class PropertyRowsModel;

class PropertyPane : public QWidget {
  Q_OBJECT
 public:
  explicit PropertyPane(QWidget* parent = nullptr);
  ~PropertyPane() override;

  // Shows a view: icon, name in its colour, the rows, the notice.
  void SetView(const PropertyView& view);
  const PropertyView& View() const { return view_; }
  // The icon of a view's image number (the main window's image list); no
  // icon without it.
  void SetImageSource(std::function<QPixmap(int image)> source);
  // "プロパティのコピー": the rows onto the clipboard; false when there
  // are none.
  bool CopyToClipboard() const;

  // The main window adds its actions here.
  QToolBar* ToolBar() const { return tbProperty; }
  QWidget* PicturePage() const { return pictures_; }
  QWidget* ChartPage() const { return charts_; }

  QLabel* imgProperty = nullptr;
  QLabel* lblPropertyName = nullptr;
  QWidget* pnlReread = nullptr;  // "メデイアの" / "再読込み推奨"
  QToolBar* tbProperty = nullptr;
  QTreeView* lvProperty = nullptr;
  QTabWidget* tabPropertyPages = nullptr;

 private:
  PropertyView view_;
  PropertyRowsModel* model_ = nullptr;
  std::function<QPixmap(int)> images_;
  QWidget* pictures_ = nullptr;
  QWidget* charts_ = nullptr;
};

}  // namespace fv
