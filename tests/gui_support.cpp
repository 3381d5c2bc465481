#include "tests/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

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

::testing::AssertionResult Contains(const QString& text, const QString& part) {
  if (text.contains(part)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << part.toStdString() << "\" not in \"" << text.toStdString() << '"';
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

void ClickThrough(QWidget& owner, const QString& button, std::vector<std::function<void(QWidget*)>> acts,
                  QStringList* opened) {
  QObject watch;
  WhenModals(&watch, std::move(acts), opened);
  Click(owner, button);
}

std::function<void(QWidget*)> Pressing(const QString& name) {
  return [name](QWidget* modal) { Click(*modal, name); };
}

InstrumentHarness::InstrumentHarness(synth::Format format)
    : program(dialogs, QDir::currentPath()),
      window(std::make_unique<gui::InstrumentWindow>(program, synth::VariantOf(format))) {
  Reopen();
}

void InstrumentHarness::Reopen() const {
  window->PrepareForShow();
  window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

bool InstrumentHarness::Enabled(const char* name) const {
  EXPECT_TRUE(Exists(name)) << "no control " << name;
  return Exists(name) && Get(name)->isEnabled();
}

bool InstrumentHarness::Checked(const char* name) const {
  EXPECT_TRUE(Exists(name)) << "no control " << name;
  return Exists(name) && Get<QAbstractButton>(name)->isChecked();
}

QString InstrumentHarness::Text(const char* name) const {
  if (const auto* e = Get<QLineEdit>(name)) return e->text();
  if (const auto* l = Get<QLabel>(name)) return l->text();
  if (const auto* b = Get<QAbstractButton>(name)) return b->text();
  if (const auto* g = Get<QGroupBox>(name)) return g->title();
  ADD_FAILURE() << "no control " << name;
  return {};
}

int InstrumentHarness::Progress(const char* name) const { return Get<QProgressBar>(name)->value(); }

void InstrumentHarness::Click(const char* name) const {
  auto* b = Get<QAbstractButton>(name);
  ASSERT_NE(b, nullptr) << name;
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
}

void InstrumentHarness::SetChecked(const char* name, bool checked) const {
  if (Checked(name) != checked) Click(name);
  ASSERT_EQ(Checked(name), checked) << name;
}

void InstrumentHarness::SetGrid(const char* begin, const char* end, const char* step) const {
  for (const auto& [box, text] : {std::pair{"txtBeginWave", begin}, {"txtEndWave", end}, {"txtDeltaWave", step}})
    Get<QLineEdit>(box)->setText(QString::fromLatin1(text));
}

void InstrumentHarness::Pick(const std::vector<std::string>& paths) const {
  namespace fs = std::filesystem;
  auto* browser = window->findChild<gui::FolderBrowser*>();
  for (const auto& path : paths) {
    const QString folder = Q(fs::path(path).parent_path().string());
    ASSERT_TRUE(browser->CurrentFolder() == folder || browser->SetFolder(folder)) << path;
    ClickFile(Get<QListWidget>("File1"), Q(fs::path(path).filename().string()));
  }
}

void InstrumentHarness::ChooseAll(const std::string& folder) const {
  auto* browser = window->findChild<gui::FolderBrowser*>();
  ASSERT_TRUE(browser->SetFolder(Q(folder)));
  browser->FileList()->selectAll();
  QTest::keyClick(browser->FileList(), Qt::Key_Return);
}

void InstrumentHarness::Configure(const std::vector<std::string>& scans, const std::vector<const char*>& modes) const {
  Pick(scans);
  for (const char* m : modes) SetChecked(m, true);
  Click("cmdFileListOk");
}

}  // namespace corvelane::testing
