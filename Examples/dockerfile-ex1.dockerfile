# syntax=docker/dockerfile:1
# A small web service: built in one stage, run in another.
ARG GO_VERSION=1.22

FROM golang:${GO_VERSION}-bookworm AS build
WORKDIR /src
COPY go.mod go.sum ./
RUN --mount=type=cache,target=/go/pkg/mod \
    go mod download
COPY . .
RUN CGO_ENABLED=0 go build -ldflags="-s -w" -o /out/server ./cmd/server \
    && echo "built $GO_VERSION"

FROM debian:bookworm-slim
LABEL org.opencontainers.image.title="server" \
      maintainer='ops@example.org'
RUN apt-get update && apt-get install -y --no-install-recommends ca-certificates \
 && rm -rf /var/lib/apt/lists/*
COPY --from=build /out/server /usr/local/bin/server
COPY <<EOF /etc/server.conf
listen = 0.0.0.0:8080
log = "$LOG_LEVEL"
EOF
ENV LOG_LEVEL=info PORT=8080
EXPOSE 8080/tcp
USER 65534:65534
HEALTHCHECK --interval=30s CMD ["/usr/local/bin/server", "-check"]
ENTRYPOINT ["/usr/local/bin/server"]
CMD ["--port", "8080"]
