// Thread-local data: nothing in the image can hold it.
extern "C" {
thread_local int perThread = 3;
int vxEntryRoutine() { return perThread; }
}
