#include "AppMain.hpp"
#include "ProductionServices.hpp"

int main(int argc, char** argv) {
    return deskmap::app::runDeskmapApp(argc, argv, deskmap::app::productionServices);
}
