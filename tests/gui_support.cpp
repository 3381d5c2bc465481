#include "tests/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
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

void Click(QWidget& parent, const QString& name) { Click(Child<QAbstractButton>(parent, name)); }

void Click(QAbstractButton* b) {
  ASSERT_NE(b, nullptr);
  if (qobject_cast<QPushButton*>(b))
    QTest::mouseClick(b, Qt::LeftButton);
  else
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
}

void ClickRow(QListWidget* list, int row, bool twice) {
  list->scrollToItem(list->item(row));
  const QPoint at = list->visualItemRect(list->item(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void ClickFile(QListWidget* list, const QString& text, bool twice) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  ClickRow(list, list->row(found.front()), twice);
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void Type(QWidget& parent, const char* box, const QString& text) {
  auto* edit = Child<QLineEdit>(parent, box);
  ASSERT_NE(edit, nullptr);
  edit->clear();
  QTest::keyClicks(edit, text);
}

void ExpectOneMessage(const ScriptedDialogs& dialogs, const QString& text, const QString& title,
                      gui::MessageIcon icon) {
  ASSERT_EQ(dialogs.messages.size(), 1u) << text.toStdString();
  ExpectMessage(dialogs.messages[0], text, title, icon);
}

void ExpectMessage(const gui::MessageRequest& m, const QString& text, const QString& title, gui::MessageIcon icon) {
  EXPECT_EQ(m.text, text);
  EXPECT_EQ(m.title, title) << text.toStdString();
  EXPECT_EQ(m.icon, icon) << text.toStdString();
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

void WhenModals(QObject* context, std::vector<std::function<void(QWidget*)>> acts, QStringList* opened, int triesLeft) {
  if (acts.empty()) return;
  QTimer::singleShot(5, context, [context, acts, opened, triesLeft]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      if (triesLeft > 0) WhenModals(context, acts, opened, triesLeft - 1);
      return;
    }
    if (opened) *opened << modal->objectName();
    auto act = acts.front();
    acts.erase(acts.begin());
    WhenModals(context, acts, opened);  // the next one, once this one has gone
    act(modal);
  });
}

QString OpenAndLeave(QAbstractButton* button, bool closeBox) {
  QString seen;
  QTimer::singleShot(0, [closeBox, &seen] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      seen = modal->objectName();
      QMetaObject::invokeMethod(modal, closeBox ? "close" : "hide");
    }
  });
  QTest::mouseClick(button, Qt::LeftButton);
  return seen;
}

void ReflectanceFilesTest::SetUp() {
  ASSERT_TRUE(work.isValid() && start.isValid() && out.isValid());
  RunSettings s;
  s.variant = &VariantOf(Format::UniSpecOld);
  s.grid = {"310", "1130", "1"};
  s.modes[Index(OutputMode::Reflectance)] = true;
  s.modes[Index(OutputMode::Absorbance)] = true;
  for (const char* name : {"a", "b"}) {
    s.files =
        synth::WriteScans(work.filePath(QStringLiteral("scans-") + name).toStdString(), Format::UniSpecOld, 2, name);
    WavelengthTables tables;
    const ConversionResult r = ComputeConversion(s, tables);
    WriteOutputFile(r, OutputMode::Reflectance, nullptr, File(QStringLiteral("refl-") + name + ".txt"));
    WriteOutputFile(r, OutputMode::Absorbance, nullptr, File(QStringLiteral("abs-") + name + ".txt"));
  }
}

void ReflectanceFilesTest::ShowWithFiles(QWidget& w, const QStringList& files) {
  w.show();
  ASSERT_TRUE(w.findChild<gui::FolderBrowser*>()->SetFolder(work.path()));
  for (const QString& file : files) ClickFile(Child<QListWidget>(w, QStringLiteral("File1")), file);
}

QString ReflectanceFilesTest::Out(const QString& name) const { return QDir(out.path()).filePath(name); }

}  // namespace corvelane::testing
