// The control kinds of the kernel library itself (library number 1): their
// kind words and the names messages give them, listed once for both window
// layers. Each layer hands over its factory for every one of them.
#pragma once

#include <stdint.h>

#include <array>
#include <span>

#include "runtime/vexrun_interface.h"

namespace vexrun::windowing {

template <class Factory>
struct BuiltinKind {
    uint32_t kindWord;
    const char* name;
    Factory create;
};

// A layer's factories, one for each kind.
template <class Factory>
struct BuiltinFactories {
    Factory editBox, label, button, checkBox, shapeBox, spinControl;
};

template <class Factory>
class BuiltinKinds {
public:
    constexpr explicit BuiltinKinds(const BuiltinFactories<Factory>& f)
        : kinds_{{
              {vx::kKindEditBox, "edit box", f.editBox},
              {vx::kKindLabel, "label", f.label},
              {vx::kKindButton, "button", f.button},
              {vx::kKindCheckBox, "check box", f.checkBox},
              {vx::kKindShapeBox, "shape box", f.shapeBox},
              {vx::kKindSpinControl, "spin control", f.spinControl},
          }} {}

    std::span<const BuiltinKind<Factory>> all() const { return kinds_; }

    // The kind of that kind word, or nullptr.
    const BuiltinKind<Factory>* find(uint32_t kindWord) const {
        for (const BuiltinKind<Factory>& k : kinds_) {
            if (k.kindWord == kindWord) return &k;
        }
        return nullptr;
    }

private:
    std::array<BuiltinKind<Factory>, 6> kinds_;
};

}  // namespace vexrun::windowing
