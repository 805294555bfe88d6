// Runs the program's own start-up, form and preview in this process. An
// event filter watches the windows the program opens and closes each one
// once it is on screen, as a user would.
#include "print_program.h"
#include "report_form.h"
#include "report_page.h"
#include "report_preview.h"
#include "test_support.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPageLayout>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace wendterm {
namespace {

struct SeenPreview {
  QString title;
  int pageCount = -1;
  double zoomFactor = 0;
  QPrintPreviewWidget::ZoomMode zoomMode = QPrintPreviewWidget::FitToWidth;
  QPageLayout pageLayout;
  int copies = 0;
  QPrinter::DuplexMode duplex = QPrinter::DuplexAuto;
  QStringList checkedFitActions;
  QSize size;
};

class WindowCloser : public QObject {
 public:
  QStringList formTitles;
  QRect formGeometry;
  QList<SeenPreview> previews;
  QStringList messages;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) {
      return false;
    }
    if (auto* form = qobject_cast<QWidget*>(watched); form && dynamic_cast<ReportForm*>(form)) {
      formTitles << form->windowTitle();
      formGeometry = form->geometry();
    } else if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(watched)) {
      // Look at the preview once it has drawn its pages, then close it.
      QPointer<QPrintPreviewDialog> guarded(dialog);
      QTimer::singleShot(0, dialog, [this, guarded] {
        if (!guarded) {
          return;
        }
        SeenPreview seen;
        seen.title = guarded->windowTitle();
        if (auto* preview = guarded->findChild<QPrintPreviewWidget*>()) {
          seen.pageCount = preview->pageCount();
          seen.zoomFactor = preview->zoomFactor();
          seen.zoomMode = preview->zoomMode();
        }
        seen.pageLayout = guarded->printer()->pageLayout();
        seen.copies = guarded->printer()->copyCount();
        seen.duplex = guarded->printer()->duplex();
        for (const QAction* action : guarded->findChildren<QAction*>()) {
          if (action->isChecked() && action->text().startsWith(QLatin1String("Fit"))) {
            seen.checkedFitActions << action->text();
          }
        }
        seen.size = guarded->size();
        previews << seen;
        guarded->close();
      });
    } else if (auto* box = qobject_cast<QMessageBox*>(watched)) {
      QPointer<QMessageBox> guarded(box);
      messages << box->text();
      QTimer::singleShot(0, box, [guarded] {
        if (guarded) {
          guarded->close();
        }
      });
    }
    return false;
  }
};

class PrintProgram : public ::testing::Test {
 protected:
  void SetUp() override { qApp->installEventFilter(&closer_); }
  void TearDown() override { qApp->removeEventFilter(&closer_); }

  int run(const std::optional<QString>& path) {
    return runPrintProgram(*qobject_cast<QApplication*>(qApp), path);
  }

  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  WindowCloser closer_;
  QTemporaryDir dir_;
};

TEST_F(PrintProgram, WithoutArgumentShowsTheFormAndEnds) {
  EXPECT_EQ(run(std::nullopt), 0);
  EXPECT_EQ(closer_.formTitles, QStringList{"Scrivel"});
  EXPECT_TRUE(closer_.previews.isEmpty());
  EXPECT_TRUE(closer_.messages.isEmpty());
}

struct NoFileCase {
  const char* name;
  const char* path;  // relative to a fresh directory; "." is the directory itself
};

class PrintProgramNoFile : public PrintProgram, public ::testing::WithParamInterface<NoFileCase> {};

TEST_P(PrintProgramNoFile, EndsWithoutPreview) {
  EXPECT_EQ(run(dir_.filePath(GetParam().path)), 0);
  EXPECT_EQ(closer_.formTitles.size(), 1);
  EXPECT_TRUE(closer_.previews.isEmpty());
  EXPECT_TRUE(closer_.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintProgramNoFile,
                         ::testing::Values(NoFileCase{"MissingFile", "missing.txt"},
                                           NoFileCase{"MissingDirectory", "no/such/file.txt"},
                                           NoFileCase{"Directory", "."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrintProgram, FormHasItsTitleAndPlace) {
  run(std::nullopt);
  EXPECT_EQ(closer_.formTitles, QStringList{"Scrivel"});
  EXPECT_EQ(closer_.formGeometry.size(), QSize(383, 130));
  EXPECT_EQ(QApplication::applicationDisplayName(), "Scrivel");
}

TEST_F(PrintProgram, FileIsShownInTheLetterPreviewAtFullSize) {
  const QString path = write("short.txt", "10 PRINT \"HELLO\"\r\n20 END\r\n");
  EXPECT_EQ(run(path), 0);
  ASSERT_EQ(closer_.previews.size(), 1);
  const SeenPreview& seen = closer_.previews.first();
  EXPECT_EQ(seen.pageCount, 1);
  EXPECT_EQ(seen.zoomMode, QPrintPreviewWidget::CustomZoom);
  EXPECT_DOUBLE_EQ(seen.zoomFactor, kPreviewZoom);
  // The dialog's own "fit" buttons do not claim otherwise.
  EXPECT_EQ(seen.checkedFitActions, QStringList());
  // Nine tenths of the screen, to show as much of the page as it can.
  EXPECT_EQ(seen.size, QGuiApplication::primaryScreen()->availableGeometry().size() * 9 / 10);
  EXPECT_EQ(seen.pageLayout.pageSize().id(), QPageSize::Letter);
  EXPECT_EQ(seen.pageLayout.orientation(), QPageLayout::Portrait);
  EXPECT_EQ(seen.pageLayout.margins(QPageLayout::Millimeter),
            QMarginsF(kPageMarginMillimetres, kPageMarginMillimetres, kPageMarginMillimetres,
                      kPageMarginMillimetres));
  EXPECT_EQ(seen.copies, 1);
  EXPECT_EQ(seen.duplex, QPrinter::DuplexNone);
  EXPECT_TRUE(closer_.messages.isEmpty());
}

TEST_F(PrintProgram, LongFileIsPreviewedOnSeveralPages) {
  QByteArray bytes;
  for (int i = 0; i < 400; ++i) {
    bytes += "line\n";
  }
  EXPECT_EQ(run(write("long.txt", bytes)), 0);
  ASSERT_EQ(closer_.previews.size(), 1);
  // Some sixty lines to a page.
  EXPECT_GE(closer_.previews.first().pageCount, 6);
  EXPECT_LE(closer_.previews.first().pageCount, 8);
}

TEST_F(PrintProgram, EmptyFileIsPreviewedOnOnePage) {
  EXPECT_EQ(run(write("empty.txt", "")), 0);
  ASSERT_EQ(closer_.previews.size(), 1);
  EXPECT_EQ(closer_.previews.first().pageCount, 1);
}

TEST_F(PrintProgram, RtfFileIsPreviewed) {
  EXPECT_EQ(run(write("doc.rtf", "{\\rtf1 a\\page b\\page c}")), 0);
  ASSERT_EQ(closer_.previews.size(), 1);
  EXPECT_EQ(closer_.previews.first().pageCount, 3);
}

TEST_F(PrintProgram, UnreadableFileReportsFailedToLoadStream) {
  // It exists as a file but reading it fails.
  EXPECT_EQ(run(QStringLiteral("/proc/self/mem")), 0);
  EXPECT_EQ(closer_.messages, QStringList{"Failed to Load Stream"});
  EXPECT_TRUE(closer_.previews.isEmpty());
}

TEST(PathArgument, IsTheFirstArgumentOnly) {
  char program[] = "WendtermPrint";
  char first[] = "/tmp/caf\xC3\xA9.txt";
  char second[] = "-style";
  char* argv[] = {program, first, second, nullptr};
  EXPECT_EQ(pathArgument(3, argv), std::optional<QString>(QStringLiteral(u"/tmp/caf\u00E9.txt")));
  EXPECT_EQ(pathArgument(1, argv), std::nullopt);
}

}  // namespace
}  // namespace wendterm
