// The program entry: the fixed places chosen when the program was built.
#include "DwindleConfig.h"

int main(int argc, char** argv)
{
    dwindle::DwindleConfig config;
    config.settingsDir = DWINDLE_CONFIG_DIR;
    config.clientLibrary = DWINDLE_FBCLIENT;
    return dwindle::runDwindle(argc, argv, config);
}
