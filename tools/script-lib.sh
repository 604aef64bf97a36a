# Shell functions shared by the demo and the benchmark scripts. Source it.

# The first loopback port from $1 upwards that nothing listens on.
free_port() {
    local port=$1
    while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
    echo "$port"
}

# $1 written as the path of a local page server address: every byte outside
# A-Z a-z 0-9 "-" "." "_" "~" and "/" as %XX, as the programs write it.
url_path() {
    local LC_ALL=C text=$1 out= c i
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        case $c in
            [A-Za-z0-9._~/-]) out+=$c ;;
            *) out+=$(printf '%%%02X' "'$c") ;;
        esac
    done
    printf '%s' "$out"
}

# Waits up to ten seconds for something to listen on loopback port $1.
wait_for_port() {
    for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0; sleep 0.1; done
    echo "nothing listens on port $1" >&2
    return 1
}

# Writes $1/nginx.conf for nginx run as an ordinary process with its pid,
# logs and temporary files in $1. $2 holds extra http-level lines, $3 the
# server blocks.
write_nginx_conf() {
    local dir=$1 extra=$2 servers=$3
    mkdir -p "$dir"
    cat > "$dir/nginx.conf" <<CONF
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 1024; }
http {
    access_log off;
$extra
    client_body_temp_path $dir;
    proxy_temp_path $dir;
    fastcgi_temp_path $dir;
    uwsgi_temp_path $dir;
    scgi_temp_path $dir;
    types { text/html html; text/css css; application/javascript js; image/png png; image/gif gif; }
$servers
}
CONF
}

# scratch_client BUILD-FOLDER FOLDER: copies RVClient into FOLDER with the
# build's data linked beside it and prints the copy's path. RVClient keeps
# its working files (the link cache, spilled requests) in a "temp" folder
# beside its data, in the build tree beside the program; the copy keeps them
# in FOLDER, for benchmarks that must not wait on the disk.
scratch_client() {
    local build=$1 dir=$2 item
    mkdir -p "$dir"
    for item in "$build/bin"/*; do
        case $(basename "$item") in
            temp) ;;
            RVClient) cp "$item" "$dir/" ;;
            *) ln -s "$item" "$dir/" ;;
        esac
    done
    echo "$dir/RVClient"
}
