// An object with a constructor at namespace scope needs start-up code.
extern "C" int makeValue();
struct Holder {
    Holder() : value(makeValue()) {}
    int value;
};
Holder holder;
extern "C" void vxEntryRoutine() {}
