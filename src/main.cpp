// Program entry: everything happens in AppMain.
#include "app/AppMain.h"

int main() { return AppMain(); }
