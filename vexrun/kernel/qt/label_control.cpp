// The label (kind 1:10): a caption in its text colour. A label stored as
// disabled is drawn in its colours all the same. Its whole caption always
// shows: a caption wider than the label gets a smaller size of the font. The
// caption can be selected with the mouse and copied (a right click's menu,
// and the desktop's selection), also on a label stored as disabled, so that
// a result can be carried into another box.
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/record_colours.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

// A disabled widget takes no mouse events itself, but its event filters see
// them: the label hands them to its own text selection.
class SelectableLabel : public QLabel {
public:
    explicit SelectableLabel(QWidget* parent) : QLabel(parent) {
        setTextInteractionFlags(Qt::TextSelectableByMouse);
        installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != this || isEnabled()) return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* press = static_cast<QMouseEvent*>(event);
                if (press->button() == Qt::RightButton) {
                    // The window system sends a disabled widget no menu request.
                    showMenu(press->globalPosition().toPoint());
                } else {
                    mousePressEvent(press);
                }
                return true;
            }
            case QEvent::MouseButtonRelease: mouseReleaseEvent(static_cast<QMouseEvent*>(event)); return true;
            case QEvent::MouseButtonDblClick: mouseDoubleClickEvent(static_cast<QMouseEvent*>(event)); return true;
            case QEvent::MouseMove: mouseMoveEvent(static_cast<QMouseEvent*>(event)); return true;
            default: return false;
        }
    }

private:
    // Copy and select all, in the window system's own words; the menu belongs
    // to the window, as a disabled label's own would not open.
    void showMenu(const QPoint& at) {
        auto* menu = new QMenu(window());
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* copy = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "&Copy"));
        copy->setEnabled(hasSelectedText());
        connect(copy, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(selectedText()); });
        QAction* all = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "Select All"));
        connect(all, &QAction::triggered, this, [this] { setSelection(0, int(text().size())); });
        menu->popup(at);
    }
};

class LabelControl : public Control {
public:
    LabelControl(const image::LabelSettings& s, const image::Element& e, QWidget* parent)
        : label_(new SelectableLabel(parent)) {
        label_->setGeometry(e.left, e.top, e.width, e.height);  // the caption's font fits this width
        label_->setTextFormat(Qt::PlainText);
        label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label_->setFont(controlFont());
        label_->setFocusPolicy(Qt::NoFocus);
        QPalette pal = label_->palette();
        setRoleInAllGroups(pal, QPalette::WindowText, colourFromRecord(s.textColour, pal));
        // A selectable caption of a disabled label is drawn in the Text role.
        setRoleInAllGroups(pal, QPalette::Text, pal.color(QPalette::Active, QPalette::WindowText));
        // A selection shows the same on a label stored as disabled.
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
            setRoleInAllGroups(pal, role, pal.color(QPalette::Active, role));
        }
        const QColor background = colourFromRecord(s.backgroundColour, pal);
        if (background.isValid()) {
            setRoleInAllGroups(pal, QPalette::Window, background);
            label_->setAutoFillBackground(true);
        }
        label_->setPalette(pal);
        setCaption(s.caption, TextEncoding::Gbk);
    }

    QWidget* widget() const override { return label_; }

    PropertyType propertyType(uint32_t property) const override {
        switch (property) {
            case vx::kPropLabelVisible: return PropertyType::Integer;
            case vx::kPropLabelCaption: return PropertyType::Text;
            default: return PropertyType::Unknown;
        }
    }
    int32_t integerProperty(uint32_t) const override { return label_->isHidden() ? 0 : 1; }
    void setIntegerProperty(uint32_t, int32_t value) override { label_->setVisible(value != 0); }
    std::string textProperty(uint32_t) const override { return caption_; }
    void setTextProperty(uint32_t, std::string_view bytes) override { setCaption(bytes, detectEncoding(bytes)); }
    std::string contentBytes() const override { return caption_; }
    QString contentText() const override { return decodeText(caption_, encoding_); }

private:
    void setCaption(std::string_view bytes, TextEncoding encoding) {
        caption_.assign(bytes);
        encoding_ = encoding;
        const QString shown = toDisplayLines(decodeText(caption_, encoding_));
        label_->setFont(fontFittingWidth(controlFont(), shown.split(QChar('\n')), label_->contentsRect().width()));
        label_->setText(shown);
    }

    SelectableLabel* label_;
    std::string caption_;
    TextEncoding encoding_ = TextEncoding::Gbk;
};

}  // namespace

Control* createLabel(const ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto s = image::decodeLabelSettings(e.extension);
    if (!s) {
        error = "the settings of label \"" + decodeImageText(e.name).toStdString() + "\" cannot be read";
        return nullptr;
    }
    return new LabelControl(*s, e, context.parent);
}

}  // namespace vexrun
