// Initialised writable data: the image has no place for it.
extern "C" {
int counter = 5;
void vxEntryRoutine() { ++counter; }
}
