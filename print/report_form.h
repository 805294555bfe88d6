// The program's small main window, which opens the preview once shown.
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace wendterm {

inline constexpr char kProgramTitle[] = "Scrivel";

class ReportForm : public QWidget {
 public:
  // `path` is the program's first argument, if it was given one.
  explicit ReportForm(std::optional<QString> path, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void printFile();

  std::optional<QString> path_;
  bool shown_ = false;
};

}  // namespace wendterm
