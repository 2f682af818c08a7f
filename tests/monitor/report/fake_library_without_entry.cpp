// A library that loads but lacks the hand-off entry.
extern "C" int NotTheHandOffEntry() {
    return 0;
}
