// The Connect command: reads the server and the database path from
// "paxtor.ini" afresh on every click, opens the one connection with the fixed
// user name and password, and then makes Run available for good. A failure
// leaves both buttons as they were; the next click reads the file again.

#include "Controls.h"
#include "IBDatabase.h"
#include "IniFile.h"
#include "TfrmDwindle.h"

#include <string>

namespace dwindle {

void TfrmDwindle::btnConnectClick(QObject* /*Sender*/)
{
    // The settings object lives for the whole command and is released however
    // it ends; it only reads.
    const TIniFile ini(FSettingsDir + "/paxtor.ini");
    const std::string server = ini.ReadString("PAXTOR", "SERVER", "");
    const std::string path = ini.ReadString("PAXTOR", "PATH", "");

    // Closes a connection left open by an earlier Connect whose dialect
    // inquiry failed; otherwise nothing happens.
    dbPaxtor->SetConnected(false);
    // Used as the file gives them: no trimming, no checks, no quoting.
    dbPaxtor->SetDatabaseName(server + ":" + path);
    dbPaxtor->SetParams({"user_name=photokeeper", "password=kd370"});
    dbPaxtor->SetConnected(true);

    btnConnect->setEnabled(false);
    btnRun->setEnabled(true);
}

} // namespace dwindle
