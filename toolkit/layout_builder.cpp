#include "toolkit/layout_builder.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QButtonGroup>
#include <QIcon>
#include <QLabel>
#include <QUiLoader>
#include <QVBoxLayout>
#include <QWidget>

#include "toolkit/element_list_ui.h"
#include "toolkit/list_ui.h"
#include "toolkit/skin_archive.h"
#include "toolkit/skin_images.h"

namespace vesmar {
namespace {

constexpr int kMaxIncludeDepth = 8;

class SkinUiLoader : public QUiLoader {
 public:
  explicit SkinUiLoader(const ControlFactory& factory) : factory_(factory) {
    setTranslationEnabled(false);
  }

  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
    QWidget* widget = factory_ ? factory_(className, parent) : nullptr;
    if (!widget) widget = CreateToolkitControl(className, parent);
    if (!widget) return QUiLoader::createWidget(className, parent, name);
    widget->setObjectName(name);
    return widget;
  }

 private:
  const ControlFactory& factory_;
};

QWidget* Load(const QString& layoutName, QWidget* parent, const ControlFactory& factory) {
  QByteArray bytes = CSkinArchive::Instance().Read(layoutName);
  if (bytes.isEmpty()) return nullptr;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  SkinUiLoader loader(factory);
  return loader.load(&buffer, parent);
}

QWidget* BuildInto(const QString& layoutName, QWidget* host, const ControlFactory& factory,
                   int depth);

void ApplyButtonImages(QAbstractButton* button) {
  const QString normal = button->property("normalimage").toString();
  const QString selected = button->property("selectedimage").toString();
  const QString disabled = button->property("disabledimage").toString();
  if (normal.isEmpty() && selected.isEmpty()) return;
  QIcon icon;
  const QPixmap off = LoadSkinImage(normal);
  if (!off.isNull()) icon.addPixmap(off, QIcon::Normal, QIcon::Off);
  const QPixmap on = LoadSkinImage(selected);
  if (!on.isNull()) icon.addPixmap(on, QIcon::Normal, QIcon::On);
  const QPixmap grey = LoadSkinImage(disabled);
  if (!grey.isNull()) icon.addPixmap(grey, QIcon::Disabled, QIcon::Off);
  button->setIcon(icon);
  const QPixmap sized = off.isNull() ? on : off;
  if (!sized.isNull()) button->setIconSize(sized.deviceIndependentSize().toSize());
}

void Apply(QWidget* root, const ControlFactory& factory, int depth) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  QHash<QString, QButtonGroup*> groups;
  for (QWidget* w : widgets) {
    const QString include = w->property("include").toString();
    if (!include.isEmpty() && depth < kMaxIncludeDepth) {
      w->setProperty("include", QVariant());
      BuildInto(include, w, factory, depth + 1);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      ApplyButtonImages(button);
      const QString group = button->property("group").toString();
      if (!group.isEmpty() && button->isCheckable()) {
        QButtonGroup*& g = groups[group];
        if (!g) {
          g = new QButtonGroup(root);
          g->setObjectName(group);
          g->setExclusive(true);
        }
        g->addButton(button);
      }
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
      const QString image = label->property("image").toString();
      if (!image.isEmpty()) label->setPixmap(LoadSkinImage(image));
      // Labels drawn on a button (an option with its text lines) let the button take the mouse.
      for (QWidget* p = label->parentWidget(); p && p != root->parentWidget(); p = p->parentWidget()) {
        if (qobject_cast<QAbstractButton*>(p)) {
          label->setAttribute(Qt::WA_TransparentForMouseEvents);
          break;
        }
      }
    }
    const QString bk = w->property("bkimage").toString();
    if (!bk.isEmpty()) SetBkImage(w, bk);
    if (auto* list = qobject_cast<CListUI*>(w)) {
      const QString header = list->property("header").toString();
      if (!header.isEmpty()) {
        QWidget* top = root;
        while (top->parentWidget()) top = top->parentWidget();
        list->BindHeader(top->findChild<QWidget*>(header));
      }
      if (list->property("itemheight").isValid()) {
        list->SetItemHeight(list->property("itemheight").toInt());
      }
    }
    if (w->property("hidden").toBool()) {
      w->setProperty("hidden", QVariant());
      w->hide();
    }
  }
}

QWidget* BuildInto(const QString& layoutName, QWidget* host, const ControlFactory& factory,
                   int depth) {
  QWidget* root = Load(layoutName, host, factory);
  if (!root) return nullptr;
  auto* box = qobject_cast<QVBoxLayout*>(host->layout());
  if (!box) {
    delete host->layout();
    box = new QVBoxLayout(host);
  }
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  box->addWidget(root);
  Apply(root, factory, depth);
  return root;
}

}  // namespace

QWidget* CreateToolkitControl(const QString& className, QWidget* parent) {
  if (className == QLatin1String("ListEx")) return new CListUI(parent);
  if (className == QLatin1String("ElementList")) return new CElementListUI(parent);
  return nullptr;
}

QWidget* CDialogBuilder::Create(const QString& layoutName, QWidget* host,
                                const ControlFactory& factory) {
  return host ? BuildInto(layoutName, host, factory, 0) : nullptr;
}

QWidget* CDialogBuilder::CreateWidget(const QString& layoutName, QWidget* parent,
                                      const ControlFactory& factory) {
  QWidget* root = Load(layoutName, parent, factory);
  if (root) Apply(root, factory, 0);
  return root;
}

void CDialogBuilder::ApplySkinAttributes(QWidget* root, const ControlFactory& factory) {
  if (root) Apply(root, factory, 0);
}

}  // namespace vesmar
