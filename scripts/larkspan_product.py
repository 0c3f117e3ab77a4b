"""The Larkspan component library as the shipped install project sees it: its directories,
files and links, in one table that both scripts/make-product-tree (the source tree on the
author's machine) and scripts/make-shipped-project (the install project) read.

Everything here is deterministic: the same tree, the same names, contents and dates on
every run.
"""
import datetime
import hashlib

# Where the author keeps the product's sources, as Windows names it (the main job puts the
# generated tree there inside the Wine prefix).
SOURCE_ROOT = "C:\\Larkspan\\Source"
# The framework directory on the author's machine (scripts/install-framework).
FRAMEWORK_DIR = "C:\\Quillory"
BUILD_DIR = "C:\\Larkspan\\Distribution"

SITE = "http://www.vorneworld.example"

UNITS = [
    "lkFTP", "lkHTTP", "lkSMTP", "lkPOP3", "lkNNTP", "lkFinger", "lkEcho", "lkTime", "lkDayTime", "lkUDP",
    "lkPing", "lkTraceRt", "lkURL", "lkUUCode", "lkStream", "lkMsg", "lkGeneralServer", "lkSocket",
    "lkSocketServer", "lkThreads", "lkBase64", "lkMIME", "lkHTML", "lkCookies", "lkSSL", "lkProxy", "lkLogger",
    "lkConsts", "lkUtils", "lkReg", "lkWinsock", "lkDNS",
]
INCLUDES = ["lkDefines.inc", "lkCompilers.inc", "lkSocketOpts.inc", "lkDebug.inc", "lkVersion.inc"]
# The one unit fetched from the net location in a net distribution.
NET_UNIT = "lkSSL.pas"


class Directory:
    def __init__(self, name, description, dest_dir, source, files, parent, kind="plain"):
        self.name = name              # component name
        self.description = description
        self.dest_dir = dest_dir      # relative, leading backslash, "" = the parent's
        self.source = source          # path below SOURCE_ROOT, backslashes
        self.files = files            # file names, in order
        self.parent = parent          # component name of the container
        self.kind = kind
        self.include = True


def project(name, units, extra=()):
    files = [name + ".dpr", name + ".res"]
    for unit in units:
        files += [unit + ".pas", unit + ".dfm"]
    return files + list(extra)


def cbuilder_project(name, unit):
    return [name + ".bpr", name + ".cpp", name + ".res", unit + ".cpp", unit + ".h", unit + ".dfm"]


# The demos directly below Demos: (folder, DestDir or None for "\" + folder, files,
# sub-directories as (folder, files)).
DEMOS = [
    ("FTP", None, project("FTPDemo", ["FTPMain", "FTPOptions", "FTPProgress", "FTPLogin", "FTPSiteMgr"],
                          ["readme.txt"]), []),
    ("HTTP", None, project("HTTPDemo", ["HTTPMain", "HTTPHeaders", "HTTPPost"]), []),
    ("SMTP", None, project("SMTPDemo", ["SMTPMain", "SMTPAttach"], ["readme.txt"]), []),
    ("POP3", None, project("POP3Demo", ["POP3Main", "POP3Msg", "POP3Attach"]), []),
    ("NNTP", None, project("NNTPDemo", ["NNTPMain", "NNTPPost", "NNTPGroups", "NNTPArticle"]), []),
    ("Finger", None, project("FingerDemo", ["FingerMain"]), []),
    ("Time", None, project("TimeDemo", ["TimeMain"]), []),
    ("DayTime", None, project("DayTimeDemo", ["DayTimeMain"]), []),
    ("UDP", None, project("UDPDemo", ["UDPMain"]), []),
    ("Ping", None, project("PingDemo", ["PingMain"]), []),
    ("TraceRt", None, project("TraceRtDemo", ["TraceRtMain"]), []),
    ("URL", None, project("URLDemo", ["URLMain"]), []),
    # Three small coding demos share one folder on the user's machine.
    ("UUCode", "\\SubDirectory", project("UUCodeDemo", ["UUMain"]), []),
    ("MIME", "\\SubDirectory", project("MIMEDemo", ["MIMEMain"]), []),
    ("Base64", "\\SubDirectory", project("Base64Demo", ["B64Main"]), []),
    ("Stream", None, ["Stream.bpg", "readme.txt"],
     [("Client", project("StrmClient", ["StrmClientMain"])), ("Server", project("StrmServer", ["StrmServerMain"]))]),
    ("Msg", None, ["Msg.bpg", "readme.txt"],
     [("client", project("MsgClient", ["MsgClientMain"])), ("server", project("MsgServer", ["MsgServerMain"]))]),
    ("Browser", None, project("BrowserDemo", ["BrowserMain", "BrowserOptions"]),
     [("html", ["index.htm", "links.htm", "logo.gif"]), ("Secure", project("SecureDemo", ["SecureMain"]))]),
    ("GeneralServer", None, ["GenServ.bpg", "readme.txt"],
     [("Master", project("MasterDemo", ["MasterMain"])), ("Slave", project("SlaveDemo", ["SlaveMain"]))]),
    ("Socket", None, ["Socket.bpg", "readme.txt"],
     [("Client", project("SockClient", ["SockClientMain"])), ("Server", project("SockServer", ["SockServerMain"]))]),
]
DEMOS_OWN_FILES = ["readme.txt", "DemoList.htm", "LarkspanDemos.bpg", "DemoCommon.pas", "DemoCommon.dfm",
                   "DemoIcon.ico"]
CBUILDER_OWN_FILES = ["CBDemos.bpg", "readme.txt"]
CBUILDER_FTP = cbuilder_project("CBFtp", "CBFtpMain")
CBUILDER_CHAT = ["Chat.bpg", "readme.txt"]
CBUILDER_CHAT_CLIENT = cbuilder_project("ChatClient", "ChatClientMain")
CBUILDER_CHAT_SERVER = cbuilder_project("ChatServer", "ChatServerMain")

# Component names of the directories below Demos, in tree order.
DEMO_DIR_NAMES = (["FileGroup3"] + [f"FileGroup{i}" for i in range(5, 10)] + [f"Directory{i}" for i in range(1, 21)]
                  + [f"Directory{i}" for i in range(26, 32)] + [f"Directory{i}" for i in range(33, 36)])

PACKAGES = [
    ("Directory21", "Delphi3", ["LarkspanD3.dpk", "LarkspanD3.res"]),
    ("Directory22", "Delphi4", ["LarkspanD4.dpk", "LarkspanD4.res"]),
    ("dirDelphi5", "Delphi5", ["LarkspanD5.dpk", "LarkspanD5.res"]),
    ("Directory24", "CBuilder3", ["LarkspanC3.bpk", "LarkspanC3.cpp", "LarkspanC3.res"]),
    ("Directory25", "CBulider4", ["LarkspanC4.bpk", "LarkspanC4.cpp", "LarkspanC4.res"]),
]
HELP_FILES = ["Larkspan.cnt", "Larkspan.hlp", "Larkspan.kwf"]
HELP_REGISTERED = {"Larkspan.cnt", "Larkspan.hlp"}
DOCUMENTATION = ["FTP Component.htm"]


def directories():
    """The 45 directories, parents before children."""
    dirs = [Directory("idMiscellaneous", "Uninstall", "\\Uninstall", None, [], "Install1")]
    product = Directory("FileGroup2", "Larkspan", "\\Larkspan", "Larkspan",
                        [u + ".pas" for u in UNITS] + INCLUDES + ["lkReg.dcr"], "Group1")
    dirs.append(product)
    demos = Directory("FileGroup4", "demos", "\\Demos", "Larkspan\\Demos", list(DEMOS_OWN_FILES), "FileGroup2")
    dirs.append(demos)
    names = iter(DEMO_DIR_NAMES)
    for folder, dest, files, subs in DEMOS:
        demo = Directory(next(names), folder, dest if dest is not None else "\\" + folder,
                         "Larkspan\\Demos\\" + folder, files, "FileGroup4", "demo")
        dirs.append(demo)
        for sub, sub_files in subs:
            dirs.append(Directory(next(names), sub, "\\" + sub, demo.source + "\\" + sub, sub_files, demo.name, "demo"))
    cbuilder = Directory(next(names), "CBuilder", "\\CBuilder", "Larkspan\\Demos\\CBuilder", CBUILDER_OWN_FILES,
                         "FileGroup4", "cbuilder")
    dirs.append(cbuilder)
    dirs.append(Directory(next(names), "FTP", "\\FTP", cbuilder.source + "\\FTP", CBUILDER_FTP, cbuilder.name,
                          "cbuilder"))
    chat = Directory(next(names), "Chat", "\\Chat", cbuilder.source + "\\Chat", CBUILDER_CHAT, cbuilder.name,
                     "cbuilder")
    dirs.append(chat)
    dirs.append(Directory(next(names), "Client", "\\Client", chat.source + "\\Client", CBUILDER_CHAT_CLIENT,
                          chat.name, "cbuilder"))
    dirs.append(Directory(next(names), "Server", "\\Server", chat.source + "\\Server", CBUILDER_CHAT_SERVER,
                          chat.name, "cbuilder"))
    assert next(names, None) is None
    dirs.append(Directory("Directory", "Documentation", "\\Documentation", "Larkspan\\Documentation",
                          DOCUMENTATION, "FileGroup2"))
    for name, description, files in PACKAGES:
        d = Directory(name, description, "", "Larkspan\\" + description, files, "FileGroup2", "package")
        d.include = name != "dirDelphi5"
        dirs.append(d)
    dirs.append(Directory("Directory32", "Help", "\\Help", "Larkspan\\Help", HELP_FILES, "FileGroup2"))
    assert len(dirs) == 45, len(dirs)
    below_demos = [d for d in dirs if d.kind in ("demo", "cbuilder")]
    assert len(below_demos) == 35 and sum(len(d.files) for d in below_demos) == 161
    assert all(2 <= len(d.files) <= 25 for d in below_demos)
    return dirs


# UniqueIDs 1..234 with these left out.
UNIQUE_ID_GAPS = {17, 18, 40, 41, 42, 77, 103, 150, 151, 188, 200, 219, 230}


class File:
    def __init__(self, index, name, directory, unique_id):
        self.component = f"InstallFile{index}"
        self.name = name
        self.directory = directory
        self.unique_id = unique_id
        self.register_as_help = directory.name == "Directory32" and name in HELP_REGISTERED
        self.net = directory.name == "FileGroup2" and name == NET_UNIT

    @property
    def source_dir(self):
        return SOURCE_ROOT + "\\" + self.directory.source

    @property
    def date(self):
        """The file's date in the source tree: a working day of autumn 1999, to the even second."""
        digest = int(hashlib.md5((self.directory.source + "\\" + self.name).encode()).hexdigest(), 16)
        day = datetime.datetime(1999, 9, 1, 8, 0, 0) + datetime.timedelta(days=digest % 90)
        return day + datetime.timedelta(seconds=2 * ((digest >> 8) % 16200))


def files():
    ids = [i for i in range(1, 235) if i not in UNIQUE_ID_GAPS]
    result = []
    for d in directories():
        for name in d.files:
            result.append(File(len(result) + 1, name, d, ids[len(result)]))
    assert len(result) == 221 and len(ids) == 221
    return result


def find_file(all_files, directory_source, name):
    for f in all_files:
        if f.directory.source == directory_source and f.name == name:
            return f
    raise KeyError(directory_source + "\\" + name)


def links(all_files):
    """(folder component or None for the main folder, LinkName, web address or file)."""
    help_file = find_file(all_files, "Larkspan\\Help", "Larkspan.hlp")
    main = [
        (None, "Tech Support Link.URL", SITE + "/support/"),
        (None, "Report a Problem or Bug.URL", SITE + "/support/bugreport.htm"),
        (None, "Vorne World Home Page.URL", SITE + "/"),
        (None, "Larkspan Home Page.URL", SITE + "/larkspan/"),
        (None, "Kestrel Software Components.URL", "http://www.kestrelsoft.example/components/"),
        (None, "Vorne World Open Source Projects.URL", "http://opensource.vorneworld.example/"),
        (None, "Larkspan Help File.LNK", help_file),
    ]
    docs = [
        ("SubLinkGroup2", "Demo Descriptions.URL", SITE + "/larkspan/demos.htm"),
        ("SubLinkGroup2", "Documentation - FTP Component.LNK",
         find_file(all_files, "Larkspan\\Documentation", "FTP Component.htm")),
        ("SubLinkGroup2", "Larkspan Help File.LNK", help_file),
    ]
    delphi = []
    for f in all_files:
        if f.name.endswith(".dpr") and len(delphi) < 24:
            title = f.directory.source.split("\\Demos\\", 1)[1].replace("\\", " ")
            delphi.append(("SubLinkGroup1", f"{title} Demo.LNK", f))
    cbuilder = [("SubLinkGroup3", f"{f.name[:-4]} Demo.LNK", f) for f in all_files if f.name.endswith(".bpr")]
    packages = []
    for label, name in [("Delphi 3", "LarkspanD3.dpk"), ("Delphi 4", "LarkspanD4.dpk"), ("Delphi 5", "LarkspanD5.dpk"),
                        ("CBuilder 3", "LarkspanC3.bpk"), ("CBuilder 4", "LarkspanC4.bpk")]:
        f = next(f for f in all_files if f.name == name)
        packages.append(("SubLinkGroup", f"{label}.LNK", f))
    others = [
        ("SubLinkGroup5", "Kestrel Software.URL", "http://www.kestrelsoft.example/"),
        ("SubLinkGroup5", "Halvard Grid Components.URL", "http://www.halvard.example/grids/"),
        ("SubLinkGroup5", "Osprey Report Tools.URL", "http://www.ospreytools.example/"),
        ("SubLinkGroup5", "Tamsin Database Components.URL", "http://www.tamsin.example/db/"),
        ("SubLinkGroup5", "Brightwater Charting.URL", "http://www.brightwater.example/charts/"),
    ]
    assert len(delphi) == 24 and len(cbuilder) == 3
    return main, docs + delphi + cbuilder + packages + others


SUB_FOLDERS = [
    ("SubLinkGroup", "\\Packages"),
    ("SubLinkGroup1", "\\Delphi Demos"),
    ("SubLinkGroup2", "\\Documentation"),
    ("SubLinkGroup3", "\\CBuilder Demos"),
    ("SubLinkGroup5", "\\Other Components"),
]
