// Program entry: the game's folders are found from where the executable lies
// and the environment, then everything happens in AppMain.
#include "app/AppMain.h"
#include "platform/os/GameFolders.h"

int main() {
    os::UseFoundGameFolders();
    return AppMain();
}
