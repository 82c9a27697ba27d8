#include "cli/cli_options.h"

#include <cctype>
#include <cstdlib>

namespace orv {

const char* const kCliHelp =
    "Usage: orvcli --home DIR --server HOST:PORT --number N --password P [--log [LEVEL]]\n"
    "              [--script FILE] [--audio-device NAME] [--video-device NAME]\n"
    "              [--video-codec ID] [--handset]\n"
    "\n"
    "Runs the ORV client core without a desktop. Commands are read one a line from standard\n"
    "input, or from FILE with --script; input ending works like quit. Every event is printed\n"
    "on standard output as one line:\n"
    "  EVENT name key=value ...      (values with blanks are in double quotes)\n"
    "and where the desktop client would show a message, its text follows as\n"
    "  TEXT [title: ]text\n"
    "\n"
    "Options:\n"
    "  --home DIR          folder of every file the client reads and writes\n"
    "  --server HOST:PORT  the entry user server\n"
    "  --number N          ORV number to log on with\n"
    "  --password P        password (only its digest is sent)\n"
    "  --log [LEVEL]       diagnostic log to orvcli.log in the home folder and to standard\n"
    "                      error; LEVEL keeps lines up to that level (default all)\n"
    "  --script FILE       read commands from FILE instead of standard input\n"
    "  --audio-device NAME the only sound device of this run (also ORV_AUDIO_DEVICE):\n"
    "                      an ALSA name, \"null\", or \"wav:in=FILE,out=FILE[,loop=1]\"\n"
    "  --video-device NAME the only camera of this run (also ORV_VIDEO_DEVICE): a camera's\n"
    "                      name, \"ORV Test Pattern Camera\", or \"file:FILE.y4m[,loop=1]\";\n"
    "                      the camera runs when [Video] VideoQual in orvcli.cfg is not 0\n"
    "  --video-codec ID    offer only this video codec: 1 MPEG-4, 2 H.264, 3 H.263\n"
    "  --handset           use the USB handset (libhandsetsys.so beside the program): its\n"
    "                      keys dial, its hook answers and hangs up, its ringer rings;\n"
    "                      logon takes the number and bind value stored in it\n"
    "  --help              this text\n"
    "\n"
    "Commands:\n"
    "  logon [NUMBER PASSWORD]  log on (default: --number and --password)\n"
    "  logout                   log out, or cancel a logon in progress\n"
    "  status                   print EVENT status state=... number=... endpoint=...\n"
    "                           server=... period=...\n"
    "  friends                  print EVENT friend id= name= group= number= phone=\n"
    "                           mobile= email= status= online= per friend, then EVENT\n"
    "                           friends count= groups= (the default group first)\n"
    "  friend-add NAME NUMBER [group=G] [phone=P] [mobile=M] [email=E]\n"
    "                           add a friend (the server answers with friend_stored)\n"
    "  friend-set NAME [name=N] [number=O] [group=G] [phone=P] [mobile=M] [email=E]\n"
    "                           change the friend named NAME\n"
    "  friend-del NAME          delete the friend named NAME\n"
    "  import FILE [replace]    read an address list file (EVENT import_loaded count=, or\n"
    "                           import_failed line= with TEXT) and send its records (EVENT\n"
    "                           import_committed sent=); a name already in the list is\n"
    "                           skipped, or replaced with \"replace\"\n"
    "  export FILE              write the friend list to FILE (EVENT export_done count= or\n"
    "                           export_failed, with TEXT)\n"
    "  forward-get              print EVENT forward_info flag= offline= busy= noanswer=\n"
    "                           always= (or forward_unknown before the server told it)\n"
    "  forward-set [offline=N] [busy=N] [noanswer=N] [always=N]   change call forwarding\n"
    "                           (numbers not named stay; an empty value clears one)\n"
    "  password OLD NEW         change the logon password (OLD must be this logon's)\n"
    "  support                  print EVENT support_entry index= number= text= per entry,\n"
    "                           then EVENT support count=\n"
    "  offline-calls            print EVENT offline_call caller= called= time= conference=\n"
    "                           per call received while off line, then offline_calls count=\n"
    "  account                  ask the balance (EVENT account_balance value= balance=, or\n"
    "                           account_query_failed reason= / account_failed code= with TEXT)\n"
    "  refill CARD PASSWORD     refill with a card (EVENT refill_done value= balance=, or\n"
    "                           refill_failed reason= / refill_refused with TEXT)\n"
    "  settings                 print EVENT settings server= port= autorun= language=\n"
    "                           language_default= friends_tree=\n"
    "  settings-set [server=H] [port=P] [autorun=0|1] [language=chinese|english|japanese]\n"
    "               [language_default=0|1] [friends_tree=0|1]   change and save them\n"
    "                           (EVENT settings as above, or settings_not_saved); autorun\n"
    "                           writes or removes the entry that starts orvphone at log-in\n"
    "  wait EVENT [MS]          hold further commands until EVENT has happened since the\n"
    "                           last wait for it (default 10000 ms); prints EVENT wait_done\n"
    "                           or EVENT wait_timeout; a time-out makes the exit status 3\n"
    "  call NUMBER[*EXT]        call NUMBER; digits after \"*\" go as DTMF 3 s after the\n"
    "                           media opened (unless they begin with another \"*\")\n"
    "  redial                   call the last number called again\n"
    "  answer                   answer the call that rings here\n"
    "  hangup                   end the call, refuse a ringing one, or cancel a request\n"
    "  dtmf DIGITS              during a talk: buffer DIGITS (0-9, * and #); the buffer\n"
    "                           goes to the talk server once a second\n"
    "  pause-video on|off       pause or resume the video sent to the peer\n"
    "  video-stats              print EVENT video_stats captured= sent= received= decoded=\n"
    "                           dropped= (frames since the start)\n"
    "  video-snapshot FILE      write the latest remote picture to FILE as a binary PPM\n"
    "                           (EVENT video_snapshot file= width= height=)\n"
    "  call-status              print EVENT call_status state= view= talking=\n"
    "                           talk_seconds= number= name= last_number= tone=\n"
    "  call-records             print one EVENT call_record list=dialled|received|missed|\n"
    "                           offline caller= called= call_id= caller_flag= conference=\n"
    "                           end_kind=\n"
    "                           end_reason= talk_seconds= per record, then EVENT\n"
    "                           call_records count=\n"
    "  conf-open                ask for a conference room; this side chairs it\n"
    "  conf-invite NUMBER       invite NUMBER into the room (an invitation rings at the\n"
    "                           invited client like a call: \"answer\" joins)\n"
    "  conf-video SEAT on|off   ask for (or cancel) the video of the member in SEAT (0-3)\n"
    "  conf-kick SEAT           the chairman removes the member in SEAT\n"
    "  conf-dtmf SEAT DIGITS    send extension digits (0-9, *) towards the member in SEAT\n"
    "  conf-leave               leave the conference (the chairman's leaving ends it)\n"
    "  conf-members             print EVENT conf_row seat= number= endpoint= video= name=\n"
    "                           per member, then EVENT conf_rows count=\n"
    "  conf-log                 print the conference message log: EVENT conf_log line=\n"
    "                           per line (the 20 newest), then EVENT conf_logs count=\n"
    "  quit                     log out and end\n"
    "\n"
    "Events:\n"
    "  started                  the core runs; commands are accepted\n"
    "  logon_started number= server=\n"
    "  logon_complete number= endpoint= custom_name= url=   logged on and registered\n"
    "  logon_failed reason=     refused by the server (TEXT: the reason)\n"
    "  logon_failed code=       the server's answer could not be used (TEXT)\n"
    "  logon_failed number=     the number is not one an ORV number field holds (TEXT)\n"
    "  logon_timeout request=   the server did not answer the logon (TEXT)\n"
    "  relogon_demand           the server asked for a new logon; the client logs on again\n"
    "  keepalive_timeout request=0x0103   the server stopped answering; the client keeps\n"
    "                           trying to log on again (TEXT)\n"
    "  server_failure request=  another request got no answer; handled like the above\n"
    "  forced_logoff code=      the server logged this client off (code 2: the number\n"
    "                           logged on elsewhere; TEXT)\n"
    "  logged_out               after logout\n"
    "  call_progress type= reason= number= name= tone= state= view= [talk_start=1]\n"
    "        [call_end=1] [incoming=1] [conference=1]   one per call event (type: 0 not\n"
    "                           allowed now, 1 calling, 2 refused, 3 ended by the peer or\n"
    "                           the network, 4 ended here, 5 the peer rings, 6 a call rings\n"
    "                           here, 7 talking, 8 talking with media open, 9 setup time-out,\n"
    "                           10 ring time-out, 11 network error, 12 connect time-out,\n"
    "                           13 network error in the call, 23 held (reason 1: being\n"
    "                           forwarded), 24 the peer paused its video); TEXT: what the\n"
    "                           message area shows; tone: the tone the desktop would play\n"
    "                           (silence = none); view: idle, calling, ringing, incoming,\n"
    "                           talking or ended\n"
    "  call_state state= name=  the process-wide call state changed (0 idle .. 8)\n"
    "  conf_event type= [reason=]   a conference event (type: 1 room asked for, 2 refused,\n"
    "                           3 ended by the server, 4 left here, 7 connected, 14 room\n"
    "                           registered, 15 member invited, 16 seat status, 20 member\n"
    "                           rings, 21 member joined, 22 member left; TEXT: the log line)\n"
    "  conf_member seat= number= endpoint= state=invited|alerting|connected|left video=\n"
    "                           [reason=]   a seat changed\n"
    "  conf_invite_failed number= reason=   the user server refused an invitation (TEXT)\n"
    "  conf_reset               the conference ended here\n"
    "  dtmf_sent digits= [extension=1]   digits handed to the talk server\n"
    "  dtmf_failed digits=      digits that could not be sent (no call handler)\n"
    "  call_status ...          answer to call-status\n"
    "  status ...               answer to status\n"
    "  wait_done event=  /  wait_timeout event= ms=\n"
    "  friend_stored id= name= group= number= phone= mobile= email= status= online=\n"
    "                           a friend record fetched after logon or stored by a change\n"
    "  friend_set_failed ...    the server refused a change (TEXT)\n"
    "  friend_deleted id=  /  friend_delete_failed (TEXT)\n"
    "  friend_status id= name= number= online=0|1 status= state=   a friend logged on or off\n"
    "  forward_info flag= offline= busy= noanswer= always=   forwarding settings changed\n"
    "  forward_set result= value=   answer to forward-set (TEXT)\n"
    "  password_set result= value=  answer to password (TEXT)\n"
    "  bind_set result= option=     answer to a bind option change (TEXT)\n"
    "  offline_calls_arrived count= calls received while off line were stored (count:\n"
    "                           those not yet shown)\n"
    "  video_capture state=0|1 device=   the camera stopped, or runs\n"
    "  video_start frame_rate= size_index=   a call's video began (the camera serves it)\n"
    "  video_stop               the call's video ended\n"
    "  video_frame count= width= height= tick= [pattern=]   a decoded remote picture: the\n"
    "                           first of a call, then every 16th (by the test pattern's\n"
    "                           frame number when the picture carries one); slot: the\n"
    "                           picture slot, source: the sender's EndpointID (conference)\n"
    "  video_captured pattern= tick=   a local test-pattern frame numbered a multiple of 16\n"
    "                           was sent on (ticks are milliseconds of the monotonic clock)\n"
    "  handset present=0|1      a handset was plugged in or removed (--handset)\n"
    "  handset_ready ok=1 bound=0|1 customer= number=   its stored data were read (ok=0:\n"
    "                           unreadable, TEXT)\n"
    "  handset_key key=0..9|*|#|erase|dial|function|redial   a key of the handset\n"
    "  handset_hook state=off|on   the handset was lifted or put down\n"
    "  handset_number number=   the handset's number field changed\n"
    "  handset_tone tone= repeat=0|1   the tone the desktop client would play (empty: none)\n"
    "  handset_ringer on=1|0    the handset's ringer started or stopped\n"
    "  error command= text=     a command could not be run\n"
    "\n"
    "Exit status: 0, 2 for bad options or a failed start, 3 when a wait timed out.\n";

bool ParseHostPort(const std::string& text, std::string* host, std::uint16_t* port) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    std::string digits = text.substr(colon + 1);
    if (digits.size() > 5) return false;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) return false;
    *host = text.substr(0, colon);
    *port = static_cast<std::uint16_t>(value);
    return true;
}

namespace {
bool IsNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text)
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    return true;
}
} // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--server") {
            std::string text;
            if (!value(&text)) return false;
            if (!ParseHostPort(text, &o->serverHost, &o->serverPort)) {
                *error = "--server needs HOST:PORT, not \"" + text + "\"";
                return false;
            }
        } else if (arg == "--number") {
            if (!value(&o->number)) return false;
        } else if (arg == "--password") {
            if (!value(&o->password)) return false;
        } else if (arg == "--handset") {
            o->handset = true;
        } else if (arg == "--script") {
            if (!value(&o->scriptFile)) return false;
        } else if (arg == "--video-codec") {
            std::string text;
            if (!value(&text)) return false;
            if (text != "1" && text != "2" && text != "3") {
                *error = "--video-codec needs 1, 2 or 3, not \"" + text + "\"";
                return false;
            }
            o->videoCodec = text[0] - '0';
        } else if (arg == "--log") {
            o->log = true;
            if (i + 1 < argc && IsNumber(argv[i + 1])) o->logLevel = argv[++i];
        } else {
            *error = "unknown option \"" + arg + "\"";
            return false;
        }
    }
    return true;
}

} // namespace orv
