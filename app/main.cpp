#include "app/ApplicationMain.h"

int main(int argc, char** argv) {
    return quillmere::ApplicationMain(argc, argv);
}
