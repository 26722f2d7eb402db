// The themed-UI library "stylon": command 0 (integer) applies our look: with
// 1 the Fusion style, the same on every desktop; any other value leaves the
// look as it is. It gives 0.
#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace {

uint64_t applyTheme(const vx::ArgListHeader* args) {
    if (!args || args->count < 1 || vx::argAt(args, 0)->value != 1) return 0;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return 0;
    if (QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0) {
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    }
    return 0;
}

uint64_t stylonCommand(uint32_t number, const vx::ArgListHeader* args) {
    return number == vx::kStylonApplyTheme ? applyTheme(args) : 0;
}

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "stylon", 1, &stylonCommand, nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
