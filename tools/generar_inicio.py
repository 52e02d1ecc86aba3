#!/usr/bin/env python3
"""Genera la biblioteca inicial de Rutinero (resources/inicio/Categorias/*.rtn).

Formato de cada archivo de categoria (Windows-1252, sin cabecera):
cada script son cuatro campos en orden Nombre, Descripcion, Codigo, Puntaje;
cada campo se escribe entre comillas dobles seguido de CR LF. Dentro del
codigo las lineas se separan con CR LF y cada comilla doble se sustituye
por la marca *RTN*.

Uso: python3 tools/generar_inicio.py
"""

import os
import sys
import textwrap

MARCA_COMILLA = "*RTN*"
CRLF = b"\r\n"


def s(nombre, descripcion, puntaje, codigo):
    """Crea un script; el codigo se desindenta y se recortan lineas vacias."""
    codigo = textwrap.dedent(codigo).strip("\n")
    return (nombre, descripcion, codigo, str(puntaje))


HTML = [
    s("Estructura básica HTML5", "Documento mínimo con codificación y vista adaptable", 10, r"""
        <!DOCTYPE html>
        <html lang="es">
        <head>
          <meta charset="utf-8">
          <meta name="viewport" content="width=device-width, initial-scale=1">
          <title>Título de la página</title>
          <link rel="stylesheet" href="estilos.css">
        </head>
        <body>
          <h1>Hola mundo</h1>
          <script src="app.js" defer></script>
        </body>
        </html>
    """),
    s("Tabla con encabezado", "Tabla accesible con thead y tbody y leyenda", 8, r"""
        <table>
          <caption>Ventas por trimestre</caption>
          <thead>
            <tr>
              <th scope="col">Trimestre</th>
              <th scope="col">Unidades</th>
              <th scope="col">Importe</th>
            </tr>
          </thead>
          <tbody>
            <tr>
              <td>T1</td>
              <td>120</td>
              <td>3.400 EUR</td>
            </tr>
            <tr>
              <td>T2</td>
              <td>95</td>
              <td>2.750 EUR</td>
            </tr>
          </tbody>
        </table>
    """),
    s("Formulario de contacto", "Formulario con etiquetas y validación nativa del navegador", 9, r"""
        <form action="/contacto" method="post">
          <label for="nombre">Nombre</label>
          <input type="text" id="nombre" name="nombre" required>

          <label for="correo">Correo electrónico</label>
          <input type="email" id="correo" name="correo" required>

          <label for="mensaje">Mensaje</label>
          <textarea id="mensaje" name="mensaje" rows="5" required></textarea>

          <button type="submit">Enviar</button>
        </form>
    """),
    s("Lista desplegable", "Select con grupos de opciones y valor preseleccionado", 6, r"""
        <label for="pais">País</label>
        <select id="pais" name="pais">
          <optgroup label="Europa">
            <option value="es" selected>España</option>
            <option value="pt">Portugal</option>
          </optgroup>
          <optgroup label="América">
            <option value="mx">México</option>
            <option value="ar">Argentina</option>
          </optgroup>
        </select>
    """),
    s("Imagen adaptable", "Imagen con pie de foto y fuentes para distintas resoluciones", 7, r"""
        <figure>
          <img src="foto-800.jpg"
               srcset="foto-400.jpg 400w, foto-800.jpg 800w, foto-1600.jpg 1600w"
               sizes="(max-width: 600px) 100vw, 800px"
               alt="Descripción de la imagen"
               loading="lazy">
          <figcaption>Pie de foto</figcaption>
        </figure>
    """),
    s("Menú de navegación", "Barra de navegación semántica con enlace activo", 8, r"""
        <nav aria-label="Principal">
          <ul>
            <li><a href="/" aria-current="page">Inicio</a></li>
            <li><a href="/productos">Productos</a></li>
            <li><a href="/blog">Blog</a></li>
            <li><a href="/contacto">Contacto</a></li>
          </ul>
        </nav>
    """),
    s("Enlace en ventana nueva", "Abre un enlace externo en otra pestaña de forma segura", 6, r"""
        <a href="https://www.ejemplo.com" target="_blank" rel="noopener noreferrer">
          Visitar el sitio
        </a>
    """),
    s("Video con controles", "Reproductor de video nativo con subtítulos y alternativa", 6, r"""
        <video controls width="640" poster="portada.jpg" preload="metadata">
          <source src="video.webm" type="video/webm">
          <source src="video.mp4" type="video/mp4">
          <track kind="subtitles" src="subtitulos-es.vtt" srclang="es" label="Español" default>
          Tu navegador no puede reproducir este video.
        </video>
    """),
    s("Metaetiquetas para redes", "Etiquetas Open Graph para compartir la página", 7, r"""
        <meta name="description" content="Resumen breve de la página">
        <meta property="og:type" content="website">
        <meta property="og:title" content="Título para compartir">
        <meta property="og:description" content="Resumen breve de la página">
        <meta property="og:image" content="https://www.ejemplo.com/imagen.jpg">
        <meta property="og:url" content="https://www.ejemplo.com/pagina">
        <meta name="twitter:card" content="summary_large_image">
    """),
    s("Acordeón sin JavaScript", "Bloque plegable usando details y summary", 7, r"""
        <details>
          <summary>¿Cuánto tarda el envío?</summary>
          <p>Entre 24 y 48 horas en días laborables.</p>
        </details>
        <details>
          <summary>¿Puedo devolver un pedido?</summary>
          <p>Sí, dispones de 30 días desde la entrega.</p>
        </details>
    """),
]

CSS = [
    s("Centrar con flexbox", "Centra un elemento en horizontal y vertical", 10, r"""
        .contenedor {
          display: flex;
          justify-content: center;
          align-items: center;
          min-height: 100vh;
        }
    """),
    s("Rejilla adaptable", "Columnas que se reparten solas según el ancho disponible", 9, r"""
        .rejilla {
          display: grid;
          grid-template-columns: repeat(auto-fit, minmax(220px, 1fr));
          gap: 1rem;
        }
    """),
    s("Reinicio básico", "Normaliza márgenes y el cálculo de tamaños de las cajas", 8, r"""
        *,
        *::before,
        *::after {
          box-sizing: border-box;
        }

        body {
          margin: 0;
          line-height: 1.5;
        }

        img,
        video {
          max-width: 100%;
          height: auto;
          display: block;
        }
    """),
    s("Botón con transición", "Botón con efecto suave al pasar el ratón y foco visible", 7, r"""
        .boton {
          padding: 0.6em 1.2em;
          border: none;
          border-radius: 6px;
          background: #e8742a;
          color: #fff;
          cursor: pointer;
          transition: background-color 0.2s ease, transform 0.2s ease;
        }

        .boton:hover {
          background: #c95f1c;
          transform: translateY(-1px);
        }

        .boton:focus-visible {
          outline: 3px solid #ffd29c;
          outline-offset: 2px;
        }
    """),
    s("Texto truncado", "Corta el texto largo en una línea con puntos suspensivos", 7, r"""
        .truncado {
          white-space: nowrap;
          overflow: hidden;
          text-overflow: ellipsis;
        }

        /* Varias líneas (por ejemplo 3) */
        .truncado-lineas {
          display: -webkit-box;
          -webkit-line-clamp: 3;
          -webkit-box-orient: vertical;
          overflow: hidden;
        }
    """),
    s("Variables y modo oscuro", "Colores con variables CSS que siguen el tema del sistema", 8, r"""
        :root {
          --fondo: #ffffff;
          --texto: #222222;
          --acento: #e8742a;
        }

        @media (prefers-color-scheme: dark) {
          :root {
            --fondo: #1e1e1e;
            --texto: #eeeeee;
          }
        }

        body {
          background: var(--fondo);
          color: var(--texto);
        }

        a {
          color: var(--acento);
        }
    """),
    s("Consulta de medios", "Estilos distintos para pantallas pequeñas", 8, r"""
        .columnas {
          display: flex;
          gap: 2rem;
        }

        @media (max-width: 768px) {
          .columnas {
            flex-direction: column;
            gap: 1rem;
          }
        }
    """),
    s("Cabecera fija", "Cabecera que queda pegada arriba al desplazar la página", 6, r"""
        .cabecera {
          position: sticky;
          top: 0;
          z-index: 100;
          background: #fff;
          box-shadow: 0 2px 4px rgba(0, 0, 0, 0.1);
        }
    """),
    s("Indicador de carga", "Círculo giratorio hecho solo con CSS", 6, r"""
        .cargando {
          width: 40px;
          height: 40px;
          border: 4px solid #ddd;
          border-top-color: #e8742a;
          border-radius: 50%;
          animation: girar 0.8s linear infinite;
        }

        @keyframes girar {
          to {
            transform: rotate(360deg);
          }
        }
    """),
    s("Ocultar visualmente", "Oculta un texto a la vista pero no a los lectores de pantalla", 7, r"""
        .solo-lector {
          position: absolute;
          width: 1px;
          height: 1px;
          padding: 0;
          margin: -1px;
          overflow: hidden;
          clip: rect(0, 0, 0, 0);
          white-space: nowrap;
          border: 0;
        }
    """),
]

JAVASCRIPT = [
    s("Petición fetch con JSON", "Obtiene datos de una API con async y await y gestiona errores", 10, r"""
        async function obtenerDatos(url) {
          const respuesta = await fetch(url, {
            headers: { "Accept": "application/json" }
          });
          if (!respuesta.ok) {
            throw new Error(`Error HTTP ${respuesta.status}`);
          }
          return respuesta.json();
        }

        obtenerDatos("/api/usuarios")
          .then(datos => console.log(datos))
          .catch(error => console.error(error));
    """),
    s("Enviar datos con POST", "Manda un objeto como JSON al servidor", 8, r"""
        async function enviar(url, datos) {
          const respuesta = await fetch(url, {
            method: "POST",
            headers: { "Content-Type": "application/json" },
            body: JSON.stringify(datos)
          });
          if (!respuesta.ok) {
            throw new Error(`Error HTTP ${respuesta.status}`);
          }
          return respuesta.json();
        }
    """),
    s("Retrasar ejecución", "Función debounce que espera a que el usuario deje de escribir", 9, r"""
        function debounce(funcion, espera = 300) {
          let temporizador;
          return function (...args) {
            clearTimeout(temporizador);
            temporizador = setTimeout(() => funcion.apply(this, args), espera);
          };
        }

        const buscador = document.querySelector("#buscar");
        buscador.addEventListener("input", debounce(e => {
          console.log("Buscar:", e.target.value);
        }, 400));
    """),
    s("Copiar al portapapeles", "Copia un texto usando la API del portapapeles", 7, r"""
        async function copiar(texto) {
          try {
            await navigator.clipboard.writeText(texto);
            console.log("Texto copiado");
          } catch (error) {
            console.error("No se pudo copiar:", error);
          }
        }
    """),
    s("Parámetro de la URL", "Lee un valor de la cadena de consulta de la página", 7, r"""
        // Para https://ejemplo.com/?id=42&orden=desc
        const parametros = new URLSearchParams(window.location.search);
        const id = parametros.get("id");          // "42"
        const orden = parametros.get("orden");    // "desc"
        const existe = parametros.has("pagina");  // false
    """),
    s("Fecha en español", "Formatea una fecha con el idioma y estilo locales", 7, r"""
        const fecha = new Date();
        const formato = new Intl.DateTimeFormat("es-ES", {
          weekday: "long",
          year: "numeric",
          month: "long",
          day: "numeric"
        });
        console.log(formato.format(fecha)); // "lunes, 3 de marzo de 2025"
    """),
    s("Formatear moneda", "Muestra un número como importe en euros", 6, r"""
        const importe = new Intl.NumberFormat("es-ES", {
          style: "currency",
          currency: "EUR"
        });
        console.log(importe.format(1234.5)); // "1234,50 €"
    """),
    s("Delegación de eventos", "Un solo manejador para muchos elementos hijos", 8, r"""
        document.querySelector("#lista").addEventListener("click", evento => {
          const boton = evento.target.closest("button.borrar");
          if (!boton) {
            return;
          }
          boton.closest("li").remove();
        });
    """),
    s("Guardar en localStorage", "Guarda y recupera objetos en el almacenamiento local", 7, r"""
        function guardar(clave, valor) {
          localStorage.setItem(clave, JSON.stringify(valor));
        }

        function cargar(clave, porDefecto = null) {
          const texto = localStorage.getItem(clave);
          return texto === null ? porDefecto : JSON.parse(texto);
        }

        guardar("preferencias", { tema: "oscuro", tamano: 14 });
        const prefs = cargar("preferencias", {});
    """),
    s("Quitar duplicados", "Elimina elementos repetidos de un arreglo", 8, r"""
        const numeros = [3, 1, 3, 2, 1];
        const unicos = [...new Set(numeros)]; // [3, 1, 2]

        // Objetos repetidos según una propiedad
        function unicosPor(lista, clave) {
          const vistos = new Set();
          return lista.filter(elemento => {
            const valor = elemento[clave];
            if (vistos.has(valor)) {
              return false;
            }
            vistos.add(valor);
            return true;
          });
        }
    """),
    s("Validar correo electrónico", "Comprueba de forma sencilla el formato de un correo", 6, r"""
        function esCorreoValido(correo) {
          return /^[^\s@]+@[^\s@]+\.[^\s@]+$/.test(correo.trim());
        }

        esCorreoValido("ana@ejemplo.com"); // true
        esCorreoValido("ana@ejemplo");     // false
    """),
    s("Número aleatorio en rango", "Entero aleatorio entre dos valores incluidos", 6, r"""
        function aleatorio(minimo, maximo) {
          minimo = Math.ceil(minimo);
          maximo = Math.floor(maximo);
          return Math.floor(Math.random() * (maximo - minimo + 1)) + minimo;
        }

        const dado = aleatorio(1, 6);
    """),
]

PHP = [
    s("Conexión PDO a MySQL", "Abre una conexión con excepciones y UTF-8", 10, r"""
        <?php
        $dsn = 'mysql:host=localhost;dbname=mi_base;charset=utf8mb4';
        $opciones = [
            PDO::ATTR_ERRMODE            => PDO::ERRMODE_EXCEPTION,
            PDO::ATTR_DEFAULT_FETCH_MODE => PDO::FETCH_ASSOC,
            PDO::ATTR_EMULATE_PREPARES   => false,
        ];

        try {
            $pdo = new PDO($dsn, 'usuario', 'clave', $opciones);
        } catch (PDOException $e) {
            error_log($e->getMessage());
            exit('No se pudo conectar a la base de datos');
        }
    """),
    s("Consulta preparada", "Consulta segura con parámetros contra inyección SQL", 10, r"""
        <?php
        $sql = 'SELECT id, nombre, correo FROM usuarios WHERE activo = :activo AND ciudad = :ciudad';
        $consulta = $pdo->prepare($sql);
        $consulta->execute([
            ':activo' => 1,
            ':ciudad' => $_GET['ciudad'] ?? '',
        ]);

        foreach ($consulta as $fila) {
            echo htmlentities($fila['nombre'], ENT_QUOTES, 'UTF-8'), "<br>\n";
        }
    """),
    s("Escapar salida HTML", "Función corta para mostrar datos del usuario sin riesgo", 9, r"""
        <?php
        function e(?string $texto): string
        {
            return htmlentities($texto ?? '', ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
        }
        ?>
        <p>Hola <?= e($_GET['nombre'] ?? '') ?></p>
    """),
    s("Hash de contraseña", "Guarda y verifica contraseñas de forma segura", 10, r"""
        <?php
        // Al registrar al usuario
        $hash = password_hash($_POST['clave'], PASSWORD_DEFAULT);
        // Guardar $hash en la base de datos

        // Al iniciar sesión
        if (password_verify($_POST['clave'], $hashGuardado)) {
            if (password_needs_rehash($hashGuardado, PASSWORD_DEFAULT)) {
                $nuevo = password_hash($_POST['clave'], PASSWORD_DEFAULT);
                // Actualizar el hash guardado
            }
            echo 'Acceso correcto';
        } else {
            echo 'Usuario o contraseña incorrectos';
        }
    """),
    s("Proteger página con sesión", "Redirige al inicio de sesión si no hay usuario", 8, r"""
        <?php
        session_start();

        if (empty($_SESSION['usuario_id'])) {
            header('Location: /login.php');
            exit;
        }

        // Tras un inicio de sesión correcto:
        // session_regenerate_id(true);
        // $_SESSION['usuario_id'] = $usuario['id'];
    """),
    s("Subir archivo", "Recibe una imagen comprobando errores y tipo real", 8, r"""
        <?php
        if ($_SERVER['REQUEST_METHOD'] === 'POST' && isset($_FILES['archivo'])) {
            $archivo = $_FILES['archivo'];
            if ($archivo['error'] !== UPLOAD_ERR_OK) {
                exit('Error al subir el archivo');
            }
            if ($archivo['size'] > 2 * 1024 * 1024) {
                exit('El archivo supera los 2 MB');
            }
            $permitidos = ['image/jpeg' => 'jpg', 'image/png' => 'png'];
            $tipo = (new finfo(FILEINFO_MIME_TYPE))->file($archivo['tmp_name']);
            if (!isset($permitidos[$tipo])) {
                exit('Tipo de archivo no permitido');
            }
            $destino = __DIR__ . '/subidas/' . bin2hex(random_bytes(8)) . '.' . $permitidos[$tipo];
            move_uploaded_file($archivo['tmp_name'], $destino);
        }
    """),
    s("Leer archivo CSV", "Recorre un CSV usando la primera fila como cabecera", 7, r"""
        <?php
        $filas = [];
        if (($f = fopen('datos.csv', 'r')) !== false) {
            $cabecera = fgetcsv($f, 0, ';');
            while (($datos = fgetcsv($f, 0, ';')) !== false) {
                $filas[] = array_combine($cabecera, $datos);
            }
            fclose($f);
        }
        print_r($filas);
    """),
    s("Respuesta JSON", "Devuelve datos en JSON con la cabecera correcta", 8, r"""
        <?php
        header('Content-Type: application/json; charset=utf-8');
        http_response_code(200);
        echo json_encode(
            ['estado' => 'ok', 'datos' => $datos],
            JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES
        );
        exit;
    """),
    s("Validar formulario", "Valida y limpia campos recibidos por POST", 7, r"""
        <?php
        $errores = [];
        $nombre = trim($_POST['nombre'] ?? '');
        $correo = filter_input(INPUT_POST, 'correo', FILTER_VALIDATE_EMAIL);
        $edad = filter_input(INPUT_POST, 'edad', FILTER_VALIDATE_INT, [
            'options' => ['min_range' => 18, 'max_range' => 120],
        ]);

        if ($nombre === '') {
            $errores[] = 'El nombre es obligatorio';
        }
        if (!$correo) {
            $errores[] = 'El correo no es válido';
        }
        if ($edad === false || $edad === null) {
            $errores[] = 'La edad debe estar entre 18 y 120';
        }
    """),
    s("Fecha actual formateada", "Muestra fecha y hora con zona horaria definida", 5, r"""
        <?php
        date_default_timezone_set('Europe/Madrid');
        $ahora = new DateTime();
        echo $ahora->format('d/m/Y H:i');          // 03/03/2025 18:45

        $dentroDeUnaSemana = (clone $ahora)->modify('+7 days');
        echo $dentroDeUnaSemana->format('Y-m-d');
    """),
]

ASP = [
    s("Conexión ADO a SQL Server", "Abre una conexión a la base de datos con ADODB", 9, r"""
        <%
        Dim conn
        Set conn = Server.CreateObject("ADODB.Connection")
        conn.Open "Provider=SQLOLEDB;Data Source=SERVIDOR;Initial Catalog=MiBase;User ID=usuario;Password=clave;"

        ' ... trabajar con la conexión ...

        conn.Close
        Set conn = Nothing
        %>
    """),
    s("Recorrer un Recordset", "Lee filas de una consulta y las muestra en una lista", 9, r"""
        <%
        Dim rs
        Set rs = Server.CreateObject("ADODB.Recordset")
        rs.Open "SELECT id, nombre FROM clientes ORDER BY nombre", conn

        Response.Write "<ul>"
        Do While Not rs.EOF
          Response.Write "<li>" & Server.HTMLEncode(rs("nombre")) & "</li>"
          rs.MoveNext
        Loop
        Response.Write "</ul>"

        rs.Close
        Set rs = Nothing
        %>
    """),
    s("Consulta con parámetros", "Usa ADODB.Command para evitar inyección SQL", 10, r"""
        <%
        Const adInteger = 3
        Const adParamInput = 1
        Const adCmdText = 1

        Dim cmd, rs
        Set cmd = Server.CreateObject("ADODB.Command")
        Set cmd.ActiveConnection = conn
        cmd.CommandType = adCmdText
        cmd.CommandText = "SELECT nombre, correo FROM clientes WHERE id = ?"
        cmd.Parameters.Append cmd.CreateParameter("id", adInteger, adParamInput, , CLng(Request.QueryString("id")))

        Set rs = cmd.Execute
        If Not rs.EOF Then
          Response.Write Server.HTMLEncode(rs("nombre"))
        End If
        rs.Close
        Set rs = Nothing
        Set cmd = Nothing
        %>
    """),
    s("Leer datos de formulario", "Recoge campos enviados por POST y por la URL", 8, r"""
        <%
        Dim nombre, pagina
        nombre = Trim(Request.Form("nombre"))
        pagina = Request.QueryString("pagina")

        If nombre = "" Then
          Response.Write "Falta el nombre"
        Else
          Response.Write "Hola " & Server.HTMLEncode(nombre)
        End If

        If Not IsNumeric(pagina) Or pagina = "" Then pagina = 1
        pagina = CInt(pagina)
        %>
    """),
    s("Variables de sesión", "Guarda datos del usuario entre páginas", 7, r"""
        <%
        Session.Timeout = 30   ' minutos
        Session("usuario") = "ana"

        If Session("usuario") = "" Then
          Response.Redirect "login.asp"
        End If

        ' Cerrar sesión
        ' Session.Abandon
        %>
    """),
    s("Redirigir a otra página", "Envía al navegador a otra dirección", 6, r"""
        <%
        Response.Buffer = True
        If Request.QueryString("destino") = "inicio" Then
          Response.Redirect "default.asp"
        End If
        %>
    """),
    s("Enviar correo con CDO", "Manda un mensaje por SMTP usando CDO.Message", 7, r"""
        <%
        Const cdoUrl = "http://schemas.microsoft.com/cdo/configuration/"
        Dim correo
        Set correo = Server.CreateObject("CDO.Message")
        correo.From = "web@ejemplo.com"
        correo.To = "destino@ejemplo.com"
        correo.Subject = "Mensaje desde la web"
        correo.TextBody = "Contenido del mensaje."

        correo.Configuration.Fields.Item(cdoUrl & "sendusing") = 2
        correo.Configuration.Fields.Item(cdoUrl & "smtpserver") = "smtp.ejemplo.com"
        correo.Configuration.Fields.Item(cdoUrl & "smtpserverport") = 25
        correo.Configuration.Fields.Update

        correo.Send
        Set correo = Nothing
        %>
    """),
    s("Leer archivo de texto", "Lee un archivo línea a línea con FileSystemObject", 7, r"""
        <%
        Const ForReading = 1
        Dim fso, archivo, linea
        Set fso = Server.CreateObject("Scripting.FileSystemObject")
        Set archivo = fso.OpenTextFile(Server.MapPath("datos.txt"), ForReading)

        Do Until archivo.AtEndOfStream
          linea = archivo.ReadLine
          Response.Write Server.HTMLEncode(linea) & "<br>"
        Loop

        archivo.Close
        Set archivo = Nothing
        Set fso = Nothing
        %>
    """),
    s("Escribir archivo de texto", "Añade una línea al final de un archivo de registro", 6, r"""
        <%
        Const ForAppending = 8
        Dim fso, archivo
        Set fso = Server.CreateObject("Scripting.FileSystemObject")
        Set archivo = fso.OpenTextFile(Server.MapPath("registro.txt"), ForAppending, True)
        archivo.WriteLine Now() & " - " & Request.ServerVariables("REMOTE_ADDR")
        archivo.Close
        Set archivo = Nothing
        Set fso = Nothing
        %>
    """),
    s("Incluir archivo", "Reutiliza cabecera y pie en varias páginas", 6, r"""
        <!--#include virtual="/includes/cabecera.asp"-->
        <h1>Contenido de la página</h1>
        <!--#include file="pie.asp"-->
    """),
]

SQL = [
    s("Crear tabla", "Tabla con clave primaria y restricciones básicas", 9, r"""
        CREATE TABLE clientes (
            id          INTEGER PRIMARY KEY,
            nombre      VARCHAR(100) NOT NULL,
            correo      VARCHAR(150) NOT NULL UNIQUE,
            ciudad      VARCHAR(80),
            alta        DATE DEFAULT (CURRENT_DATE),
            activo      SMALLINT NOT NULL DEFAULT 1
        );
    """),
    s("Insertar varias filas", "Inserta varios registros en una sola sentencia", 7, r"""
        INSERT INTO clientes (id, nombre, correo, ciudad)
        VALUES
            (1, 'Ana López', 'ana@ejemplo.com', 'Madrid'),
            (2, 'Luis Pérez', 'luis@ejemplo.com', 'Sevilla'),
            (3, 'Marta Ruiz', 'marta@ejemplo.com', 'Valencia');
    """),
    s("Actualizar con condición", "Modifica solo las filas que cumplen un filtro", 7, r"""
        UPDATE clientes
        SET activo = 0
        WHERE alta < '2020-01-01'
          AND ciudad = 'Madrid';
    """),
    s("Unión interna", "Combina filas de dos tablas relacionadas", 10, r"""
        SELECT p.id, p.fecha, c.nombre, p.total
        FROM pedidos AS p
        INNER JOIN clientes AS c ON c.id = p.cliente_id
        WHERE p.fecha >= '2024-01-01'
        ORDER BY p.fecha DESC;
    """),
    s("Unión izquierda", "Incluye también las filas sin correspondencia", 9, r"""
        -- Clientes que nunca han hecho un pedido
        SELECT c.id, c.nombre
        FROM clientes AS c
        LEFT JOIN pedidos AS p ON p.cliente_id = c.id
        WHERE p.id IS NULL;
    """),
    s("Agrupar y contar", "Totales por grupo filtrando con HAVING", 9, r"""
        SELECT ciudad, COUNT(*) AS num_clientes
        FROM clientes
        WHERE activo = 1
        GROUP BY ciudad
        HAVING COUNT(*) >= 10
        ORDER BY num_clientes DESC;
    """),
    s("Paginación de resultados", "Devuelve una página de resultados ordenados", 8, r"""
        -- Página 3 con 20 filas por página (MySQL PostgreSQL SQLite)
        SELECT id, nombre
        FROM clientes
        ORDER BY nombre
        LIMIT 20 OFFSET 40;

        -- SQL Server 2012 o posterior
        SELECT id, nombre
        FROM clientes
        ORDER BY nombre
        OFFSET 40 ROWS FETCH NEXT 20 ROWS ONLY;
    """),
    s("Buscar duplicados", "Encuentra valores repetidos en una columna", 8, r"""
        SELECT correo, COUNT(*) AS repeticiones
        FROM clientes
        GROUP BY correo
        HAVING COUNT(*) > 1;
    """),
    s("Crear índice", "Acelera las búsquedas por una o varias columnas", 7, r"""
        CREATE INDEX idx_pedidos_cliente_fecha
            ON pedidos (cliente_id, fecha);

        -- Índice único
        CREATE UNIQUE INDEX idx_clientes_correo
            ON clientes (correo);
    """),
    s("Subconsulta con EXISTS", "Filtra según la existencia de filas relacionadas", 7, r"""
        SELECT c.id, c.nombre
        FROM clientes AS c
        WHERE EXISTS (
            SELECT 1
            FROM pedidos AS p
            WHERE p.cliente_id = c.id
              AND p.total > 500
        );
    """),
    s("Expresión CASE", "Calcula una columna según varias condiciones", 7, r"""
        SELECT id,
               total,
               CASE
                   WHEN total >= 1000 THEN 'Alto'
                   WHEN total >= 100 THEN 'Medio'
                   ELSE 'Bajo'
               END AS nivel
        FROM pedidos;
    """),
    s("Transacción", "Agrupa cambios para que se apliquen todos o ninguno", 8, r"""
        BEGIN TRANSACTION;

        UPDATE cuentas SET saldo = saldo - 100 WHERE id = 1;
        UPDATE cuentas SET saldo = saldo + 100 WHERE id = 2;

        -- Si todo fue bien:
        COMMIT;
        -- Si hubo un error:
        -- ROLLBACK;
    """),
]

LINUX = [
    s("Buscar archivos por nombre", "Localiza archivos por patrón y fecha de modificación", 9, r"""
        # Archivos .log bajo /var/log (sin distinguir mayúsculas)
        find /var/log -type f -iname "*.log"

        # Modificados en los últimos 7 días
        find . -type f -mtime -7

        # Mayores de 100 MB
        find / -xdev -type f -size +100M 2>/dev/null
    """),
    s("Buscar texto en archivos", "Busca una cadena de forma recursiva con número de línea", 10, r"""
        grep -rn "texto buscado" /ruta/al/proyecto

        # Solo en archivos .php e ignorando mayúsculas
        grep -rni --include="*.php" "funcion" .

        # Listar solo los nombres de archivo
        grep -rl "TODO" src/
    """),
    s("Espacio en disco", "Muestra el uso de discos y las carpetas más grandes", 8, r"""
        # Uso por sistema de archivos
        df -h

        # Las 10 carpetas más grandes del directorio actual
        du -sh -- * 2>/dev/null | sort -rh | head -n 10
    """),
    s("Comprimir carpeta", "Crea un archivo tar.gz de una carpeta", 8, r"""
        # Crear
        tar -czf copia-$(date +%Y%m%d).tar.gz carpeta/

        # Excluyendo una subcarpeta
        tar -czf proyecto.tar.gz --exclude="proyecto/node_modules" proyecto/
    """),
    s("Descomprimir archivo", "Extrae archivos tar.gz y zip en una carpeta", 8, r"""
        # Ver el contenido sin extraer
        tar -tzf archivo.tar.gz

        # Extraer en una carpeta concreta
        mkdir -p destino
        tar -xzf archivo.tar.gz -C destino

        # Archivos zip
        unzip archivo.zip -d destino
    """),
    s("Procesos que más consumen", "Lista los procesos con más memoria y CPU", 7, r"""
        # Por memoria
        ps aux --sort=-%mem | head -n 10

        # Por CPU
        ps aux --sort=-%cpu | head -n 10

        # Terminar un proceso por su PID
        kill 12345
    """),
    s("Sincronizar con rsync", "Copia incremental de carpetas local o remota", 9, r"""
        # Local (la barra final copia el contenido de origen)
        rsync -av --progress origen/ destino/

        # A un servidor remoto por SSH borrando lo que sobra en destino
        rsync -avz --delete -e ssh origen/ usuario@servidor:/srv/copia/

        # Prueba sin hacer cambios
        rsync -avn --delete origen/ destino/
    """),
    s("Puertos a la escucha", "Muestra qué programas escuchan en cada puerto", 7, r"""
        # Puertos TCP y UDP a la escucha con el proceso (requiere root para ver todos)
        sudo ss -tulpn

        # Quién usa el puerto 8080
        sudo ss -tlpn "sport = :8080"
    """),
    s("Bucle sobre archivos", "Procesa uno a uno los archivos de una carpeta", 8, r"""
        for f in ./*.txt; do
            [ -e "$f" ] || continue
            echo "Procesando $f"
            wc -l "$f"
        done
    """),
    s("Renombrar extensión en lote", "Cambia la extensión de muchos archivos a la vez", 6, r"""
        for f in ./*.jpeg; do
            [ -e "$f" ] || continue
            mv -- "$f" "${f%.jpeg}.jpg"
        done
    """),
    s("Permisos de forma recursiva", "Asigna permisos distintos a carpetas y archivos", 7, r"""
        # Carpetas 755 y archivos 644
        find /var/www/sitio -type d -exec chmod 755 {} +
        find /var/www/sitio -type f -exec chmod 644 {} +

        # Cambiar propietario
        sudo chown -R www-data:www-data /var/www/sitio
    """),
    s("Tarea programada con cron", "Ejecuta un script de forma periódica", 7, r"""
        # Editar las tareas del usuario actual
        crontab -e

        # Formato: minuto hora día-mes mes día-semana orden
        # Todos los días a las 3:30
        30 3 * * * /home/usuario/copia.sh >> /home/usuario/copia.log 2>&1

        # Cada 15 minutos de lunes a viernes
        */15 * * * 1-5 /usr/local/bin/comprobar.sh
    """),
    s("Plantilla de script Bash", "Esqueleto de script robusto con control de errores", 9, r"""
        #!/usr/bin/env bash
        set -euo pipefail

        uso() {
            echo "Uso: $0 <archivo>" >&2
            exit 1
        }

        [ $# -eq 1 ] || uso
        archivo=$1

        if [ ! -f "$archivo" ]; then
            echo "No existe: $archivo" >&2
            exit 2
        fi

        echo "Procesando $archivo"
    """),
]

CATEGORIAS = [
    ("HTML", HTML),
    ("CSS", CSS),
    ("JavaScript", JAVASCRIPT),
    ("PHP", PHP),
    ("ASP", ASP),
    ("SQL", SQL),
    ("Linux", LINUX),
]


def campo(texto):
    """Codifica un campo: comilla, texto en cp1252, comilla y CR LF."""
    return b'"' + texto.encode("cp1252") + b'"' + CRLF


def comprobar(categoria, script):
    nombre, descripcion, codigo, puntaje = script
    donde = "%s / %s" % (categoria, nombre)
    for etiqueta, texto in (("nombre", nombre), ("descripcion", descripcion)):
        assert texto and texto == texto.strip(), "%s: %s vacío o con espacios" % (donde, etiqueta)
        for prohibido in ('"', "*", ","):
            assert prohibido not in texto, "%s: %r en %s" % (donde, prohibido, etiqueta)
        assert "\n" not in texto and "\r" not in texto, "%s: salto en %s" % (donde, etiqueta)
    assert puntaje.isdigit() and 1 <= int(puntaje) <= 10, "%s: puntaje %r" % (donde, puntaje)
    assert codigo, "%s: código vacío" % donde
    assert "\r" not in codigo, "%s: CR en el código" % donde
    assert "\t" not in codigo, "%s: tabulador en el código" % donde
    assert MARCA_COMILLA not in codigo, "%s: el código contiene la marca" % donde
    for numero, linea in enumerate(codigo.split("\n"), 1):
        assert linea == linea.rstrip(), "%s: espacio al final de la línea %d" % (donde, numero)
    for texto in script:
        texto.encode("cp1252")  # lanza UnicodeEncodeError si no se puede


def codificar_script(script):
    nombre, descripcion, codigo, puntaje = script
    codigo_rtn = codigo.replace('"', MARCA_COMILLA)
    assert codigo_rtn.replace(MARCA_COMILLA, '"') == codigo
    cuerpo = CRLF.join(linea.encode("cp1252") for linea in codigo_rtn.split("\n"))
    salida = campo(nombre) + campo(descripcion)
    salida += b'"' + cuerpo + b'"' + CRLF
    salida += campo(puntaje)
    return salida


def main():
    raiz = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    destino = os.path.join(raiz, "resources", "inicio", "Categorias")
    os.makedirs(destino, exist_ok=True)
    for categoria, scripts in CATEGORIAS:
        assert 8 <= len(scripts) <= 15, "%s: %d scripts" % (categoria, len(scripts))
        nombres = [sc[0] for sc in scripts]
        assert len(set(nombres)) == len(nombres), "%s: nombres repetidos" % categoria
        datos = b""
        for script in scripts:
            comprobar(categoria, script)
            datos += codificar_script(script)
        # Cada campo aporta exactamente dos comillas.
        assert datos.count(b'"') == 8 * len(scripts)
        ruta = os.path.join(destino, categoria + ".rtn")
        with open(ruta, "wb") as f:
            f.write(datos)
        print("%-12s %2d scripts -> %s" % (categoria, len(scripts), os.path.relpath(ruta, raiz)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
