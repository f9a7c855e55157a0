#!/usr/bin/env bash
# Checks the layers of the tree, and of the programs of the build folders given:
# - every source is in a target of its folder's CMake list;
# - a folder includes only from itself and the folders below it, in any form an include can take
#   (quotes, angle brackets, relative paths, indented, spaces or comments after the #, continued
#   lines; an include of a macro fails), and declares no type of a folder above it (class X; or
#   namespace qm::cdp { class X; });
# - only window files (a CMake list's UI_SOURCES, or a folder of kind "ui") include, declare or name
#   Qt's window classes (Widgets, Svg), include or declare another window file, or link those modules;
# - a target links (DEPS, target_link_libraries; itself or through what it links) every project library
#   its files include, and links directly none that they do not include;
# - in each build folder, every installed program finds its libraries, and the programs for servers
#   (kind "headless") link no Widgets or Svg, need no X11, xcb or EGL library themselves and load none
#   that Qt Gui does not bring; in a build without windows (QUILLMARK_GUI=OFF) no program links Widgets.
# usage: scripts/check-layers.sh [--tree DIR] [BUILD_DIR...]   (the tree is this checkout unless given)
#        scripts/check-layers.sh [--tree DIR] --edges   prints the layers, then the include edges between folders
set -euo pipefail
tree=$(cd "$(dirname "$0")/.." && pwd)
export QM_EDGES=""
if [[ ${1:-} == --tree ]]; then
    tree=$(cd "${2:?usage: check-layers.sh [--tree DIR] [BUILD_DIR...]}" && pwd)
    shift 2
fi
if [[ ${1:-} == --edges ]]; then
    QM_EDGES=1
    shift
fi
builds=()
for build in "$@"; do builds+=("$(cd "$build" && pwd)"); done

# One line per folder, lowest layer first: the folder, its kind, and what it may include besides itself.
#   core      no windows, except the files its CMake list names under UI_SOURCES
#   ui        windows throughout
#   headless  a program for servers: no windows, and its binary is checked as above
export QM_LAYERS='
platform          core      -
platform/cdp      core      platform
settings          core      platform
capture/output    core      platform platform/cdp settings
capture           core      platform platform/cdp settings capture/output
report            core      platform platform/cdp settings capture/output capture
batch             core      platform platform/cdp settings capture/output capture report
scheduler         core      platform platform/cdp settings capture/output capture report
browser           core      platform platform/cdp settings capture/output capture
run               core      platform platform/cdp settings capture/output capture report batch
cli               core      platform platform/cdp settings capture/output capture report batch run
queue             core      platform platform/cdp settings capture/output capture report batch run
app               core      platform platform/cdp settings capture/output capture report batch scheduler browser
app/headless      headless  platform platform/cdp settings capture/output capture report batch run cli queue
app/main          ui        platform platform/cdp settings capture/output capture report batch scheduler browser run app
app/screenshots   ui        platform platform/cdp settings capture batch scheduler browser app
'
# Files whose includes and declarations still break the rules above, until what they hold moves to a
# folder with windows; each is checked to be still needed.
export QM_PENDING_FILES='platform/DesktopHooks.h platform/UserDialogs.h batch/UrlListCommands.h batch/UrlListCommands.cpp'

qt_headers=$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || qmake6 -query QT_INSTALL_HEADERS)
cd "$tree"
exec perl -e "$(sed -n '/^__PERL__$/,$p' "$0" | tail -n +2)" "$qt_headers" "${builds[@]}"

__PERL__
use strict;
use warnings;

my ($qtHeaders, @builds) = @ARGV;
my @problems;
sub problem { push @problems, join('', @_) }
sub dirOf { my ($p) = @_; $p =~ m{^(.*)/[^/]*$} ? $1 : '.' }
sub slurp { my ($p) = @_; open(my $f, '<', $p) or die "$p: $!\n"; local $/; my $t = <$f>; $t }
sub normalize { # a path relative to the tree, or undef when it leaves it
    my @out;
    for my $part (split m{/+}, shift) {
        next if $part eq '.' || $part eq '';
        if ($part eq '..') { return undef unless @out; pop @out; next }
        push @out, $part;
    }
    join '/', @out;
}

# The layer table.
my (%kind, %allowed);
for my $line (split /\n/, $ENV{QM_LAYERS}) {
    next unless $line =~ /\S/;
    my ($folder, $kind, @below) = split ' ', $line;
    die "check-layers.sh: $folder: no kind $kind\n" unless $kind =~ /^(core|ui|headless)$/;
    $kind{$folder} = $kind;
    $allowed{$folder} = { map { $_ => 1 } grep { $_ ne '-' } @below };
    for (keys %{ $allowed{$folder} }) { die "check-layers.sh: $folder: $_ is no layer below it\n" unless $kind{$_} }
}
my %pending = map { $_ => 0 } split ' ', ($ENV{QM_PENDING_FILES} // '');

# Qt's window classes: each has a header of its own name in its module's folder.
my @windowModules = qw(QtWidgets QtSvg QtSvgWidgets QtOpenGLWidgets QtPrintSupport);
my %windowModule = map { $_ => 1 } @windowModules;
my %windowClass;
for my $module (@windowModules) {
    opendir(my $dir, "$qtHeaders/$module") or do {
        die "check-layers.sh: no Qt Widgets headers in $qtHeaders\n" if $module eq 'QtWidgets';
        next;
    };
    $windowClass{$_} = $module for grep { /^Q\w+$/ } readdir $dir;
}
my $windowLink = qr/^Qt6::(?:Widgets|Svg|SvgWidgets|OpenGLWidgets|PrintSupport)$/;

# The files of the tree, new ones too.
my %present = map { $_ => 1 } grep { -f } split /\n/, `git ls-files --cached --others --exclude-standard`;
die "check-layers.sh: not a git checkout\n" if $?;
my @sources = grep { /\.(?:cpp|h)$/ } sort keys %present;
my @product = grep { !m{^(?:tests|bench)/} } @sources;

# The targets of the CMake lists, and the programs installed.
my (%target, %targetOf, @installed);
my @lists = grep { m{(?:^|/)CMakeLists\.txt$|\.cmake$} && !m{^(?:tests|bench)/} } sort keys %present;
my %commands;
for my $list (@lists) {
    my $text = slurp($list);
    $text =~ s/#[^\n]*//g;
    while ($text =~ /\b(qm_library|add_executable|add_library|target_link_libraries|target_sources|install)\s*\(([^)]*)\)/g) {
        push @{ $commands{$list} }, [ $1, split(' ', $2) ];
    }
}
sub define {
    my ($name, $list, $sources, %more) = @_;
    my $t = $target{$name} = { name => $name, list => $list, files => [], links => [], %more };
    addSources($t, $sources);
}
sub addSources {
    my ($t, $sources) = @_;
    my $dir = dirOf($t->{list});
    for my $source (@$sources) {
        $source =~ s/^\$\{CMAKE_CURRENT_SOURCE_DIR\}\///;
        next if $source =~ /^(?:PRIVATE|PUBLIC|INTERFACE|STATIC|SHARED|OBJECT|WIN32)$/ || $source =~ /[\$<>]/;
        my $file = normalize($dir eq '.' ? $source : "$dir/$source") // next;
        push @{ $t->{files} }, $file;
        $targetOf{$file} = $t->{name};
        $t->{folder} //= dirOf($file);
    }
}
for my $list (@lists) {
    for (@{ $commands{$list} || [] }) {
        my ($command, $name, @args) = @$_;
        next unless defined $name && $name !~ /\$/;
        if ($command eq 'qm_library') {
            my (%section, $current);
            for (@args) {
                if (/^(?:SOURCES|DEPS|UI_SOURCES|UI_DEPS)$/) { $current = $_; next }
                push @{ $section{$current} }, $_ if $current;
            }
            define($name, $list, $section{SOURCES} || []);
            $target{$name}{links} = [ @{ $section{DEPS} || [] } ];
            if ($section{UI_SOURCES}) {
                define("${name}_ui", $list, $section{UI_SOURCES}, ui => 1, core => $name);
                $target{"${name}_ui"}{links} = [ @{ $section{UI_DEPS} || [] } ];
            }
        } elsif ($command eq 'add_executable' || $command eq 'add_library') {
            define($name, $list, \@args, program => $command eq 'add_executable');
        }
    }
}
for my $list (@lists) {
    for (@{ $commands{$list} || [] }) {
        my ($command, $name, @args) = @$_;
        next unless defined $name;
        if ($command eq 'target_link_libraries' && $target{$name}) {
            push @{ $target{$name}{links} }, grep { !/^(?:PRIVATE|PUBLIC|INTERFACE)$/ } @args;
        } elsif ($command eq 'target_sources' && $target{$name}) {
            addSources($target{$name}, \@args);
        } elsif ($command eq 'install' && $name eq 'TARGETS') {
            for (@args) { last if /^[A-Z_]+$/; push @installed, $_ }
        }
    }
}
for my $t (values %target) {
    $t->{folder} //= dirOf($t->{list});
    $t->{ui} ||= ($kind{ $t->{folder} } // '') eq 'ui';
}
sub isWindowFile {
    my ($file) = @_;
    my $t = $targetOf{$file};
    return ($t && $target{$t}{ui}) || ($kind{ dirOf($file) } // '') eq 'ui';
}

# Reads a source: its includes, and its cleaned text (no comments, strings or preprocessor lines).
sub scan {
    my ($file) = @_;
    my $text = slurp($file);
    my ($line, $clean, @includes) = (1, '');
    # Blanks as the preprocessor reads them: spaces, comments, escaped line ends.
    my $blank = qr{(?:[ \t]|\\\n|/\*.*?\*/)*}s;
    while ($text =~ m{\G(?:
            (?<include>^$blank\#$blank include(?:_next)?\b$blank
                (?:<(?<angle>[^>\n]*)>|"(?<quote>[^"\n]*)"|(?<computed>[^\n]*)))
          | (?<text>R"(?<d>[^()\\\s"]{0,16})\(.*?\)\k<d>" | "(?:[^"\\\n]|\\.)*" | '(?:[^'\\\n]|\\.)*')
          | (?<comment>//[^\n]*|/\*.*?\*/|^[ \t]*\#(?:[^\n\\]|\\.)*)
          | (?<code>[ \t]+|[^"'/R\#\n \t]+|.)
        )}gcmsx) {
        my $piece = $&;
        if (defined $+{computed}) {
            problem("$file:$line: an include of a macro, which the layers cannot be checked for");
        } elsif (defined $+{include}) {
            push @includes, [ $line, defined $+{angle} ? ('<', $+{angle}) : ('"', $+{quote}) ];
        } elsif (defined $+{text}) {
            $clean .= '""' . ("\n" x ($piece =~ tr/\n//));
        } elsif (defined $+{comment}) {
            $clean .= ' ' . ("\n" x ($piece =~ tr/\n//));
        } else {
            $clean .= $piece;
        }
        $line += ($piece =~ tr/\n//);
    }
    return (\@includes, $clean);
}

# The classes declared (class X;) and defined at namespace scope of a cleaned text, and where it names
# Qt's window classes.
sub declarations {
    my ($clean) = @_;
    my ($line, @tokens, @stack, @declared, @defined, @windowWords) = (1);
    while ($clean =~ /(\n)|([A-Za-z_]\w*|::|\S)/g) {
        if (defined $1) { $line++; next }
        push @tokens, [ $2, $line ];
    }
    for (my $i = 0; $i < @tokens; $i++) {
        my $word = $tokens[$i][0];
        my $previous = $i > 0 ? $tokens[ $i - 1 ][0] : '';
        if ($word eq 'namespace' && $previous ne 'using') {
            my ($j, $name) = ($i + 1, '');
            $name .= $tokens[ $j++ ][0] while $j < @tokens && $tokens[$j][0] =~ /^(?:\w+|::)$/;
            if ($j < @tokens && $tokens[$j][0] eq '{') {
                push @stack, { namespace => $name };
                $i = $j;
            }
        } elsif ($word eq '{') {
            push @stack, { namespace => $previous eq 'extern' ? '' : undef };
        } elsif ($word eq '}') {
            pop @stack;
        } elsif ($windowClass{$word}) {
            push @windowWords, [ $tokens[$i][1], $word ];
        } elsif (($word eq 'class' || $word eq 'struct') && $previous !~ /^(?:enum|friend|<|,|typename)$/) {
            next if grep { !defined $_->{namespace} } @stack;
            # The name is the last word before what follows it: export macros and attributes come first.
            my ($j, $short) = ($i + 1);
            while ($j < @tokens) {
                my $token = $tokens[$j][0];
                if ($token eq '[' || $token eq '(') {
                    my $depth = 0;
                    for (; $j < @tokens; $j++) {
                        $depth++ if $tokens[$j][0] =~ /^[[(]$/;
                        last if $tokens[$j][0] =~ /^[])]$/ && --$depth == 0;
                    }
                } elsif ($token =~ /^[A-Za-z_]\w*$/ && $token ne 'final') {
                    $short = $token;
                } else {
                    last;
                }
                $j++;
            }
            next unless defined $short && $j < @tokens;
            my $name = join '::', grep { length } (map { $_->{namespace} } @stack), $short;
            my $next = $tokens[$j][0];
            if ($next eq ';') {
                push @declared, [ $tokens[$i][1], $name, $short ];
            } elsif ($next =~ /^(?:\{|:|final)$/) {
                push @defined, $name;
            }
        }
    }
    return (\@declared, \@defined, \@windowWords);
}

# Every source is in a CMake list: product sources in a target, tests in their folder's list.
for my $file (@sources) {
    my $folder = dirOf($file);
    if ($file =~ m{^(?:tests|bench)/}) {
        next if $file =~ m{^(?:bench/|tests/fuzz/|tests/faults/shim/)};
        my ($base) = $file =~ m{([^/]+)$};
        my @lists = grep { $present{$_} } ("$folder/CMakeLists.txt", dirOf($folder) . "/CMakeLists.txt");
        problem("$file is not in $folder/CMakeLists.txt") unless grep { slurp($_) =~ /(?<![\w.])\Q$base\E(?![\w.])/ } @lists;
        next;
    }
    problem("$file: its folder $folder has no layer in scripts/check-layers.sh") unless $kind{$folder};
    problem("$file is in no target of $folder/CMakeLists.txt (or its parent's)") unless $targetOf{$file};
}

my (%scanned, %definedIn);
for my $file (@product) {
    my ($includes, $clean) = scan($file);
    my ($declared, $defined, $windowWords) = declarations($clean);
    $scanned{$file} = [ $includes, $declared, $windowWords ];
    next unless $file =~ /\.h$/;
    push @{ $definedIn{$_} }, $file for @$defined;
}

# Includes and declarations.
my %uses; # target => { target it includes => where }
my %edges; # folder => { folder it includes from => whether only its window files do }
for my $file (@product) {
    my $folder = dirOf($file);
    next unless $kind{$folder};
    my $windows = isWindowFile($file);
    my $owner = $targetOf{$file};
    my ($includes, $declared, $windowWords) = @{ $scanned{$file} };
    my $breaks = sub {
        if (exists $pending{$file}) { $pending{$file} = 1; return }
        problem(@_);
    };
    my $windowUse = sub { my ($where, $what) = @_; $breaks->("$where: $what in a file without windows") unless $windows };
    for (@$includes) {
        my ($line, $delimiter, $path) = @$_;
        my ($top) = $path =~ m{^([^/]+)/};
        my @candidates = grep { defined } ($delimiter eq '"' ? normalize("$folder/$path") : undef), normalize($path);
        my ($included) = grep { $present{$_} } @candidates;
        if (!defined $included) {
            $windowUse->("$file:$line", "includes <$path>, Qt's window classes")
                if (defined $top && $windowModule{$top}) || ($path !~ m{/} && $windowClass{$path});
            next;
        }
        my $to = dirOf($included);
        if ($to ne $folder && !$allowed{$folder}{$to}) {
            $breaks->("$file:$line: includes $included: ",
                $kind{$to} ? "$folder may not depend on $to" : "$to is not part of the program");
            next;
        }
        $windowUse->("$file:$line", "includes $included, a window file") if isWindowFile($included);
        my $user = $targetOf{$included};
        $uses{$owner}{$user} //= "$file:$line" if $owner && $user && $user ne $owner;
        $edges{$folder}{$to} = ($edges{$folder}{$to} // 1) && $windows if $to ne $folder;
    }
    for (@$declared) {
        my ($line, $name, $short) = @$_;
        $windowUse->("$file:$line", "declares $name, Qt's window class") if $name eq $short && $windowClass{$name};
        my @where = @{ $definedIn{$name} || [] };
        next unless @where;
        my @reachable = grep { my $to = dirOf($_); $to eq $folder || $allowed{$folder}{$to} } @where;
        if (!@reachable) {
            $breaks->("$file:$line: declares $name of $where[0]: $folder may not depend on ", dirOf($where[0]));
        } elsif (!grep { !isWindowFile($_) } @reachable) {
            $windowUse->("$file:$line", "declares $name of $reachable[0], a window class");
        }
    }
    # Named anywhere else (a parameter, a member): the declaration came from elsewhere.
    my %declaredOn = map { $_->[0] => 1 } @$declared;
    for (@$windowWords) {
        my ($line, $word) = @$_;
        $windowUse->("$file:$line", "uses $word, Qt's window class") unless $declaredOn{$line};
    }
}
if ($ENV{QM_EDGES}) {
    print "layer $_ $kind{$_}\n" for grep { $kind{$_} } map { (split)[0] // () } split /\n/, $ENV{QM_LAYERS};
    for my $from (sort keys %edges) {
        print "edge $from $_ ", ($edges{$from}{$_} ? "windows" : "all"), "\n" for sort keys %{ $edges{$from} };
    }
    exit 0;
}
for (sort keys %pending) {
    problem("$_ ", $present{$_} ? "keeps to the rules now" : "is gone", ": take it off QM_PENDING_FILES") unless $pending{$_};
}

# What each target links against what its files include: a target links (itself or through the
# libraries it links) every target it includes from, and links directly none it does not include from.
sub linked {
    my ($name, $seen) = @_;
    return if $seen->{$name}++ || !$target{$name};
    linked($_, $seen) for @{ $target{$name}{links} }, $target{$name}{core} // ();
}
for my $name (sort keys %target) {
    my $t = $target{$name};
    next unless @{ $t->{files} } && $kind{ $t->{folder} };
    my %closure;
    linked($name, \%closure);
    for my $used (sort keys %{ $uses{$name} || {} }) {
        next if $closure{$used};
        problem("$t->{list}: $name does not link $used, though $uses{$name}{$used} includes it");
    }
    for my $link (@{ $t->{links} }) {
        if ($link =~ $windowLink) {
            problem("$t->{list}: $name links $link, but has no windows")
                unless $t->{ui} && ($kind{ $t->{folder} } // '') ne 'headless';
            next;
        }
        next unless $target{$link} && !$uses{$name}{$link};
        problem("$t->{list}: $name links $link, though none of its files includes one of $link");
    }
}

# The programs each build folder installs.
my $windowLibrary = qr/libQt6(?:Widgets|Svg|SvgWidgets|OpenGLWidgets|PrintSupport)\.so/;
my $displayLibrary = qr/lib(?:X|xcb|EGL|GL|OpenGL|wayland|xkbcommon-x11)[^\s\]]*\.so[^\s\]]*/;
for my $build (@builds) {
    my $cache = -f "$build/CMakeCache.txt" ? slurp("$build/CMakeCache.txt") : '';
    my $withoutWindows = $cache =~ /^QUILLMARK_GUI:BOOL=(?:OFF|0|FALSE|NO)$/mi;
    for my $name (@installed) {
        my $t = $target{$name};
        next unless $t && $t->{program};
        my $dir = dirOf($t->{list});
        my $binary = $dir eq '.' ? "$build/$name" : "$build/$dir/$name";
        if (!-x $binary) { problem("$binary is not built"); next }
        my $ldd = `ldd '$binary' 2>&1`;
        problem("$binary: ldd finds no $1") while $ldd =~ /^\s*(\S+) => not found/mg;
        my $headless = ($kind{ $t->{folder} } // '') eq 'headless';
        next unless $headless || $withoutWindows;
        my %seen;
        while ($ldd =~ /^\s*($windowLibrary\S*)/mg) {
            problem("$binary links Qt's window library $1") unless $seen{$1}++;
        }
        next unless $headless;
        my $needed = `readelf -d '$binary' 2>&1`;
        while ($needed =~ /\(NEEDED\).*\[($displayLibrary)\]/g) { problem("$binary needs $1 itself") }
        my ($gui) = $ldd =~ /^\s*libQt6Gui\.so\S*\s*=>\s*(\S+)/m;
        my $guiLdd = $gui ? `ldd '$gui' 2>&1` : '';
        while ($ldd =~ /^\s*($displayLibrary)\s/mg) {
            problem("$binary loads $1, which Qt Gui does not bring") unless $guiLdd =~ /^\s*\Q$1\E\s/m;
        }
    }
}

print "$_\n" for @problems;
exit(@problems ? 1 : 0);
