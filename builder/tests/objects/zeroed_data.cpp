// Zero-initialised writable data: the image has no place for it either.
extern "C" {
int zeroedCounter;
void vxEntryRoutine() { ++zeroedCounter; }
}
