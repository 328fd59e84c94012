package morvaneBench;

import com.sun.net.httpserver.HttpExchange;
import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;

/**
 * The alternative to running in Apache's process: a stand-alone Java HTTP server
 * on the JDK's own com.sun.net.httpserver, behind mod_proxy_http, running the
 * same logic as the connector. It hands that logic what the connector hands it
 * (the body as a String, else the query) and answers with the same headers.
 *
 *   java -cp CLASSES morvaneBench.BenchHttpServer PORT THREADS
 */
public final class BenchHttpServer {
  private BenchHttpServer() {
  }

  public static void main(String[] args) throws IOException {
    int port = Integer.parseInt(args[0]);
    int threads = Integer.parseInt(args[1]);
    HttpServer server = HttpServer.create(new InetSocketAddress(InetAddress.getLoopbackAddress(), port), 1024);
    ExecutorService pool = Executors.newFixedThreadPool(threads);
    server.setExecutor(pool);
    server.createContext("/", BenchHttpServer::serve);
    server.start();
    System.out.println("listening on " + port);
  }

  private static void serve(HttpExchange exchange) throws IOException {
    try (exchange) {
      byte[] body;
      try (InputStream in = exchange.getRequestBody()) {
        body = in.readAllBytes();
      }
      String query = exchange.getRequestURI().getRawQuery();
      String request = body.length > 0 ? new String(body, StandardCharsets.ISO_8859_1) : query;
      byte[] answer = BenchLogic.answer(request);
      var headers = exchange.getResponseHeaders();
      headers.set("Content-Type", "text/plain");
      headers.set("Cache-Control", "no-cache");
      headers.set("Pragma", "no-cache");
      headers.set("Expires", "0");
      exchange.sendResponseHeaders(200, answer.length);
      try (OutputStream out = exchange.getResponseBody()) {
        out.write(answer);
      }
    }
  }
}
