// kavtool station FILE [options]: shows or sets the station control record of
// a teacher.mdb, as the console's station commands do.
#include <cstdio>
#include <filesystem>

#include "common/db/checked_values.h"
#include "common/db/database.h"
#include "common/db/tables.h"
#include "common/station/station.h"
#include "tools/kavtool/command.h"

namespace {

using kavtool::UsageError;

bool yesNo(const std::string& option, const std::string& value) {
    if (value == "yes") return true;
    if (value == "no") return false;
    throw UsageError(option + " takes yes or no, not \"" + value + "\"");
}

int station(const kavtool::Args& args) {
    if (args.empty()) throw UsageError("expects FILE");
    auto connection = kav::db::connectTeacherAsOwner(args[0]);
    auto state = connection->openTable("state");
    if (args.size() == 1) {
        kav::station::StationRecord r = kav::station::readStation(*state);
        std::printf("korl\t%d\nupdate\t%s\nclearinfo\t%s\nclearfold\t%s\nresttime\t%s\n", r.korl,
                    r.update ? "yes" : "no", r.clearinfo ? "yes" : "no", r.clearfold ? "yes" : "no",
                    r.resttime.c_str());
        return 0;
    }
    // An empty table gets its first row from the defaults, as the console's first write appends one.
    // A record holding a value its column cannot hold is rewritten from the
    // options and the defaults, so that the administrator can mend it.
    kav::station::StationRecord r;
    try {
        if (state->recordCount() > 0) r = kav::station::readStation(*state);
    } catch (const kav::db::BadValue& e) {
        std::fprintf(stderr, "kavtool: %s; the values not given are set to their defaults\n", e.what());
    }
    for (size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) throw UsageError(option + " needs a value");
        const std::string& value = args[i + 1];
        if (option == "--korl") {
            if (value.size() != 1 || !kav::station::isValidKorl(value[0] - '0'))
                throw UsageError("--korl takes 1 (exam), 2 (practice), 3 (forced collection) or 4 (ended), not \"" +
                                 value + "\"");
            r.korl = value[0] - '0';
        } else if (option == "--update") r.update = yesNo(option, value);
        else if (option == "--clearinfo") r.clearinfo = yesNo(option, value);
        else if (option == "--clearfold") r.clearfold = yesNo(option, value);
        else if (option == "--resttime") {
            if (!kav::station::parseExamTime(value))
                throw UsageError("--resttime takes an exam time of the form h:mm:ss above 0:00:00 (such as 1:30:00), not \"" +
                                 value + "\"");
            r.resttime = value;
        } else throw UsageError("unknown option " + option);
    }
    kav::station::writeStation(*state, r);
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{
    "station", "station FILE [--korl N] [--update|--clearinfo|--clearfold yes|no] [--resttime h:mm:ss]",
    "show or set the station control record of a teacher.mdb", station});
