#include "app/data_check.h"
#include "app/entry.h"

int main(int argc, char** argv) {
    if (app::dataCheckRequested(argc, argv)) return app::runDataCheck(argc, argv);
    return app::runEntry(argc, argv);
}
