# Prints the path, from the top folder, of every .cpp file that the
# CMakeLists.txt files given name as a source. The top CMakeLists.txt comes
# first and each folder's after its parent's, as CMake reads them.
#
# A source is a word of a command that ends in ".cpp", taken from the folder of
# its CMakeLists.txt once these are put in:
#  - ${VAR} of set(VAR ...), and of foreach(VAR ...) with each value in turn;
#  - ${CMAKE_CURRENT_SOURCE_DIR} for that folder, ${CMAKE_SOURCE_DIR} for the top;
#  - the folder of a DIR argument of the same command (zv_test_suite).
# A name in a function's body stands in the folder of each call of the
# function; one inside if(ARG_KEY) only for a call that passes KEY (after
# cmake_parse_arguments(ARG ...)).

# A list's values are kept joined by ';', as CMake keeps them.
function join(list, word) { return list == "" ? word : list ";" word }

# The values of one word, joined by SUBSEP: each ${VAR} of a loop or of set()
# put in (one value for each of a list's); the source folders marked by \001.
function values(w,    pre, name, rest, list, n, k, parts, out) {
  if (!match(w, /\$\{[A-Za-z0-9_]+\}/)) return w
  pre = substr(w, 1, RSTART - 1)
  name = substr(w, RSTART + 2, RLENGTH - 3)
  rest = substr(w, RSTART + RLENGTH)
  if (name == "CMAKE_SOURCE_DIR" || name == "CMAKE_CURRENT_SOURCE_DIR")
    return values(pre "\001" name rest)
  if (name in loopvals) list = loopvals[name]
  else if (name in vars) list = vars[name]
  else return w
  out = ""
  n = split(list, parts, ";")
  for (k = 1; k <= n; k++) out = out (k == 1 ? "" : SUBSEP) values(pre parts[k] rest)
  return out
}

# The list that the arguments from `first` on give.
function listOf(first, nargs,    list, k, j, n, parts, lists) {
  list = ""
  for (k = first; k <= nargs; k++) {
    if (arg[k] == "IN" || arg[k] == "ITEMS") continue
    if (arg[k] == "LISTS") { lists = 1; continue }
    n = split(lists ? vars[arg[k]] : values(arg[k]), parts, lists ? ";" : SUBSEP)
    for (j = 1; j <= n; j++) list = join(list, parts[j])
  }
  return list
}

function emit(folder, prefix, w,    p) {
  if (w !~ /\.cpp$/) return
  if (w ~ /^\001CMAKE_SOURCE_DIR\//) { sub(/^[^\/]*\//, "", w); folder = ""; prefix = "" }
  sub(/^\001CMAKE_CURRENT_SOURCE_DIR\//, "", w)
  if (w ~ /[\001$]/) return  # a variable not known here, a generator expression
  p = (folder == "" ? "" : folder "/") prefix w
  while (sub(/^\.\//, "", p) || sub(/\/\.\//, "/", p)) {}
  print p
}

# A name in a function's body, with the keyword its call must pass ("" for none).
function remember(nargs,    k, key) {
  if (cmd == "cmake_parse_arguments") fprefix = arg[1]
  if (cmd == "if") {
    key = ""
    if (nargs == 1 && fprefix != "" && index(arg[1], fprefix "_") == 1)
      key = substr(arg[1], length(fprefix) + 2)
    ifkey[++nifs] = key
  }
  if (cmd == "endif") nifs--
  key = nifs > 0 ? ifkey[nifs] : ""
  for (k = 1; k <= nargs; k++)
    if (arg[k] ~ /\.cpp$/ && arg[k] !~ /\$/) funcs[infunc] = funcs[infunc] SUBSEP key ":" arg[k]
}

function command(nargs, folder,    k, j, n, parts, prefix, key, e, given) {
  if (cmd == "function") { infunc = arg[1]; funcs[infunc] = ""; fprefix = ""; nifs = 0; return }
  if (cmd == "endfunction") { infunc = ""; return }
  if (infunc != "") { remember(nargs); return }
  if (cmd == "foreach") { loopvar[++nloops] = arg[1]; loopvals[arg[1]] = listOf(2, nargs); return }
  if (cmd == "endforeach") { if (nloops > 0) delete loopvals[loopvar[nloops--]]; return }
  if (cmd == "set") { vars[arg[1]] = listOf(2, nargs); return }
  prefix = ""
  for (k = 1; k < nargs; k++) if (arg[k] == "DIR") prefix = arg[k + 1] "/"
  for (k = 1; k <= nargs; k++) {
    n = split(values(arg[k]), parts, SUBSEP)
    for (j = 1; j <= n; j++) emit(folder, prefix, parts[j])
  }
  if (!(cmd in funcs)) return
  n = split(funcs[cmd], e, SUBSEP)
  for (j = 2; j <= n; j++) {
    key = substr(e[j], 1, index(e[j], ":") - 1)
    given = key == ""
    for (k = 1; k <= nargs && !given; k++) given = arg[k] == key
    if (given) emit(folder, "", substr(e[j], index(e[j], ":") + 1))
  }
}

# Words: blanks and parentheses separate them, a quoted text is one word (or
# part of one).
function tokenize(text,    n, i, c, q, word) {
  split("", tok); ntok = 0; word = ""; q = 0; n = length(text)
  for (i = 1; i <= n; i++) {
    c = substr(text, i, 1)
    if (q) {
      if (c == "\\") word = word substr(text, ++i, 1)
      else if (c == "\"") q = 0
      else word = word c
    } else if (c == "\"") {
      q = 1
    } else if (c == "(" || c == ")" || c == " " || c == "\t" || c == "\n") {
      if (word != "") tok[++ntok] = word
      word = ""
      if (c == "(" || c == ")") tok[++ntok] = c
    } else {
      word = word c
    }
  }
  if (word != "") tok[++ntok] = word
}

# One file's commands: a name, "(", the arguments (nested parentheses left
# out), ")".
function readFile(    folder, i, depth, nargs) {
  if (file == "") return
  folder = file
  sub(/\/?CMakeLists\.txt$/, "", folder)
  tokenize(body)
  split("", loopvals); nloops = 0; infunc = ""; nifs = 0
  for (i = 1; i < ntok; i++) {
    if (tok[i + 1] != "(") continue
    cmd = tolower(tok[i]); nargs = 0; depth = 0
    for (i += 2; i <= ntok; i++) {
      if (tok[i] == "(") { depth++; continue }
      if (tok[i] == ")") { if (depth-- == 0) break; continue }
      arg[++nargs] = tok[i]
    }
    command(nargs, folder)
  }
}

FNR == 1 { readFile(); file = FILENAME; body = "" }
{
  # A comment: from a '#' outside quotes to the line's end.
  line = $0; q = 0
  for (i = 1; i <= length(line); i++) {
    c = substr(line, i, 1)
    if (c == "\\") { i++; continue }
    if (c == "\"") q = !q
    if (c == "#" && !q) { line = substr(line, 1, i - 1); break }
  }
  body = body line "\n"
}
END { readFile() }
