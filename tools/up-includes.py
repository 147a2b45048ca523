#!/usr/bin/env python3
"""Lists the include lines of src/ that run up the layer map, and fails on
those that no rule sanctions.

The map (docs/architecture.md): each folder of src/ may include its own
headers and those of the folders below it. Two kinds of header, marked on a
line of their own, may be included from below:

  // SHARED(data): ...      records, constants and the globals that hold them;
                            any folder may include it.
  // SHARED(services): ...  declarations of calls the layers below make (the
                            narrow header of an upper folder, the inert
                            services, the preferences); any .cpp file may
                            include it, a header of a lower folder may not.

A shared header includes only platform and system headers and other shared
headers (a data header only data headers), and a data header declares no
function. Every other upward include needs a line in
tools/up-includes-allowed.txt with its reason; a line there that no longer
matches anything is reported too, so that the list only shrinks.

Usage: tools/up-includes.py [--list] [ROOT]
  --list  print every upward include with the rule that sanctions it.
"""
import os
import re
import sys

# Lowest first. Keep in step with docs/architecture.md.
ORDER = ["platform", "system", "text", "model", "sound", "notation", "stafftypes", "layout", "import",
         "plugin", "host"]
RANK = {folder: i for i, folder in enumerate(ORDER)}
# Folders a shared header may include besides other shared headers.
SHARED_BASE = {"platform", "system"}
# Folders that may include less than everything below them: the host reaches
# the engine only through the plug-in library it loads.
ONLY = {"host": {"platform"}}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z]+)/([^"]+)"')
MARKER = re.compile(r"^\s*//\s*SHARED\((data|services)\):")


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", " ", text)


def function_declarations(text):
    """Names that a header declares as functions (a data header has none)."""
    names = []
    code = strip_comments(text)
    code = re.sub(r"^\s*#[^\n]*", " ", code, flags=re.M)
    for statement in re.split(r"[;{}]", code):
        s = " ".join(statement.split())
        if not s or "(" not in s:
            continue
        if re.match(r"(typedef|using|static_assert|constexpr|enum|struct|return)\b", s) or "(*" in s:
            continue
        if "=" in s.split("(")[0]:
            continue
        m = re.match(r"(?:extern\s+|static\s+|inline\s+)*[\w:<>,\s\*&]+?\b(\w+)\s*\(", s)
        if m:
            names.append(m.group(1))
    return names


def main(argv):
    show_all = "--list" in argv
    args = [a for a in argv if not a.startswith("--")]
    root = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), ".."))
    src = os.path.join(root, "src")
    allow_path = os.path.join(root, "tools", "up-includes-allowed.txt")

    files = {}
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if name.endswith((".h", ".cpp")):
                with open(os.path.join(path, name), encoding="utf-8") as f:
                    files[folder + "/" + name] = f.read()

    problems = []
    unknown = sorted({f.split("/")[0] for f in files} - set(RANK))
    for folder in unknown:
        problems.append(f"src/{folder}/: folder missing from the layer map (tools/up-includes.py, "
                        "docs/architecture.md)")

    shared = {}
    for name, text in files.items():
        for line in text.splitlines():
            m = MARKER.match(line)
            if m:
                shared[name] = m.group(1)
                break

    allowed = []  # (source, header, reason, line number)
    with open(allow_path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split(None, 2)
            if len(parts) < 3:
                problems.append(f"tools/up-includes-allowed.txt:{number}: needs a file or folder/, a header "
                                "and the reason")
                continue
            allowed.append((parts[0], parts[1], parts[2], number))
    used = set()

    def sanction(source, header):
        for i, (who, what, reason, _) in enumerate(allowed):
            if what == header and (who == source or (who.endswith("/") and source.startswith(who))):
                used.add(i)
                return reason
        return None

    counts = {"shared": 0, "allowed": 0, "refused": 0}
    for name, text in sorted(files.items()):
        folder = name.split("/")[0]
        if folder not in RANK:
            continue
        for number, line in enumerate(text.splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target_folder, header = m.group(1), m.group(1) + "/" + m.group(2)
            where = f"src/{name}:{number}: {header}"
            if target_folder not in RANK:
                problems.append(f"{where}: folder missing from the layer map")
                continue
            kind = shared.get(header)
            if name in shared and target_folder not in SHARED_BASE and not (
                    kind == "data" or (kind == "services" and shared[name] == "services")):
                # A shared header stays at the bottom of the map.
                if sanction(name, header) is None:
                    problems.append(f"{where}: a SHARED({shared[name]}) header includes only platform and "
                                    "system headers and shared headers"
                                    + (" (data headers only data headers)" if shared[name] == "data" else ""))
                    counts["refused"] += 1
                continue
            if folder in ONLY and target_folder != folder and target_folder not in ONLY[folder]:
                counts["refused"] += 1
                problems.append(f"{where}: {folder}/ includes only {', '.join(sorted(ONLY[folder]))} headers")
                continue
            if target_folder == folder or RANK[target_folder] < RANK[folder]:
                continue
            if kind == "data" or (kind == "services" and name.endswith(".cpp")):
                counts["shared"] += 1
                if show_all:
                    print(f"{where}  [SHARED({kind})]")
                continue
            reason = sanction(name, header)
            if reason is not None:
                counts["allowed"] += 1
                if show_all:
                    print(f"{where}  [allowed: {reason}]")
                continue
            counts["refused"] += 1
            hint = (" (a SHARED(services) header is included from .cpp files only)" if kind == "services"
                    else "")
            problems.append(f"{where}: {folder}/ may not include {target_folder}/{hint}")

    for name, kind in sorted(shared.items()):
        if kind == "data":
            for function in function_declarations(files[name]):
                problems.append(f"src/{name}: a SHARED(data) header declares no function ({function})")

    for i, (who, what, _, number) in enumerate(allowed):
        if i not in used:
            problems.append(f"tools/up-includes-allowed.txt:{number}: {who} no longer includes {what}: "
                            "remove the line")

    for p in problems:
        print(p)
    print(f"up-includes: {counts['shared']} through shared headers, {counts['allowed']} sanctioned in "
          f"tools/up-includes-allowed.txt, {counts['refused']} refused")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
