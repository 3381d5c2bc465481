#include "tests/gui_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "convert/conversion_run.h"
#include "tests/test_support.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::testing {

gui::MessageAnswer ScriptedDialogs::ShowMessage(QWidget*, const gui::MessageRequest& request) {
  messages.push_back(request);
  if (messageAnswers.empty()) return gui::MessageAnswer::Ok;
  const auto a = messageAnswers.front();
  messageAnswers.pop_front();
  return a;
}

QString ScriptedDialogs::AskSavePath(QWidget*, const QString& title) {
  saveTitles.push_back(title);
  if (savePaths.empty()) return {};
  QString p = savePaths.front();
  savePaths.pop_front();
  return p;
}

QString ScriptedDialogs::AskOpenPath(QWidget*, const QString& title) {
  openTitles.push_back(title);
  if (openPaths.empty()) return {};
  QString p = openPaths.front();
  openPaths.pop_front();
  return p;
}

std::vector<QString> ScriptedDialogs::Texts() const {
  std::vector<QString> t;
  for (const auto& m : messages) t.push_back(m.text);
  return t;
}

void Click(QWidget& parent, const QString& name) {
  auto* b = Child<QAbstractButton>(parent, name);
  ASSERT_NE(b, nullptr);
  if (qobject_cast<QPushButton*>(b))
    QTest::mouseClick(b, Qt::LeftButton);
  else
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
}

void ClickFile(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

QListWidgetItem* Entry(QListWidget* list, const char* name) {
  const auto found = list->findItems(QString::fromLatin1(name), Qt::MatchExactly);
  EXPECT_EQ(found.size(), 1) << name;
  return found.isEmpty() ? nullptr : found.front();
}

void Tick(QListWidget* list, const char* name) {
  QListWidgetItem* item = Entry(list, name);
  ASSERT_NE(item, nullptr);
  const QRect r = list->visualItemRect(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + r.height() / 2, r.center().y()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

void ReflectanceFilesTest::SetUp() {
  ASSERT_TRUE(work.isValid() && start.isValid() && out.isValid());
  RunSettings s;
  s.variant = &VariantOf(Format::UniSpecOld);
  s.grid = {"310", "1130", "1"};
  s.modes[Index(OutputMode::Reflectance)] = true;
  for (const char* name : {"a", "b"}) {
    s.files =
        synth::WriteScans(work.filePath(QStringLiteral("scans-") + name).toStdString(), Format::UniSpecOld, 2, name);
    WavelengthTables tables;
    const ConversionResult r = ComputeConversion(s, tables);
    WriteOutputFile(r, OutputMode::Reflectance, nullptr, File(QStringLiteral("refl-") + name + ".txt"));
  }
}

void ReflectanceFilesTest::ShowWithFiles(QWidget& w, const QStringList& files) {
  w.show();
  ASSERT_TRUE(w.findChild<gui::FolderBrowser*>()->SetFolder(work.path()));
  for (const QString& file : files) ClickFile(Child<QListWidget>(w, QStringLiteral("File1")), file);
}

QString ReflectanceFilesTest::Out(const QString& name) const { return QDir(out.path()).filePath(name); }

}  // namespace corvelane::testing
