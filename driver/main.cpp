// Entry point. The run sequence replaces this once the modules it drives are
// in place.
int main() { return 0; }
