#pragma once
// The classification tab row: "すべて" and the classification names. The
// tabs wrap into several rows, or stand in one row that scrolls; on the
// left or right edge they stand in a column.

#include <QWidget>
#include <string>
#include <vector>

class QButtonGroup;
class QScrollArea;

namespace fv {

class ClassTabs : public QWidget {
  Q_OBJECT
 public:
  explicit ClassTabs(QWidget* parent = nullptr);

  // Tabs with these captions (cp932); the tab with text `keep` stays
  // selected when it is still there, else the first.
  void SetTabs(const std::vector<std::string>& captions, const std::string& keep);
  std::string CurrentText() const;  // cp932
  int CurrentIndex() const;
  int Count() const;
  // Selects the tab with this text (the first when none has it); emits
  // Changed when the selection moved.
  void SelectText(const std::string& text);

  // 0 top, 1 bottom, 2 left, 3 right.
  void SetPosition(int position);
  int Position() const { return position_; }
  void SetWrap(bool wrap);
  bool Wrap() const { return wrap_; }

 signals:
  void Changed(int index);

 private:
  void Relayout();
  QButtonGroup* group_;
  QWidget* holder_;
  QScrollArea* scroll_;
  std::vector<std::string> captions_;
  int position_ = 0;
  bool wrap_ = true;
};

}  // namespace fv
